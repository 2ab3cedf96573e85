#pragma once

#include "base/run_error.hpp"
#include "scrape/web_fetch.hpp"

#include <chrono>
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

    std::vector<std::chrono::seconds> limits; ///< the limit of each request, 0 for none

    using WebFetch::fetch;
    scrape::FetchResult fetch(std::string_view url, scrape::DataType,
                              std::chrono::seconds limit) override {
        limits.push_back(limit);
        requests.emplace_back(url);
        if (failWithError)
            throw base::RunError(base::err::kFileAccess, "OpenURL", "The web fetch failed");
        const auto it = responses.find(std::string(url));
        scrape::FetchResult result;
        result.finalUrl = url;
        result.lengthAnnounced = true;
        if (it != responses.end()) {
            result.status = 200;
            result.body = it->second;
        }
        return result;
    }
};

} // namespace pixtrail::testing
