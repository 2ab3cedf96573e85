#pragma once

#include "demo/fixture_site.hpp"

// The tests' web site is the demo's sample site, made to misbehave where a test asks.
namespace pixtrail::testing {
using demo::Fault;
using demo::FixtureSite;
using demo::SeenRequest;
} // namespace pixtrail::testing
