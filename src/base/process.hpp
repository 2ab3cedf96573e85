#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace pixtrail::base {

/// Path of the running executable.
std::filesystem::path executablePath();

/// Starts a program as a new process without waiting for it; false when it could not be
/// started.
bool startProcess(const std::filesystem::path& program, const std::vector<std::string>& args = {});

} // namespace pixtrail::base
