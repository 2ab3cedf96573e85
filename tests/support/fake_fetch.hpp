#pragma once

#include "base/run_error.hpp"
#include "scrape/web_fetch.hpp"

#include <map>
#include <string>
#include <vector>

namespace pixtrail::testing {

/// An in-memory web: answers from a map of addresses, records every request.
class FakeFetch : public scrape::WebFetch {
public:
    std::map<std::string, std::string> responses;
    std::vector<std::string> requests;
    bool failWithError = false; ///< raise a component fault instead of answering

    std::string OpenURL(std::string_view url, scrape::DataType = scrape::DataType::Text) override {
        requests.emplace_back(url);
        if (failWithError)
            throw base::RunError(base::err::kFileAccess, "OpenURL", "The web fetch failed");
        const auto it = responses.find(std::string(url));
        return it == responses.end() ? std::string() : it->second;
    }
};

} // namespace pixtrail::testing
