#pragma once

#include "base/files.hpp"
#include "base/folder_index.hpp"
#include "scrape/getspoilerpics.hpp"
#include "sync/run.hpp"

#include <map>
#include <string>
#include <vector>

namespace pixtrail::testing {

/// Stands in for the scrape of cache pages: answers from a table, can leave pictures in
/// the folder the way the real one does, and remembers every call.
class FakeScraper {
public:
    std::map<std::string, int> results;                       ///< code -> result (default 0)
    std::map<std::string, std::string> cacheNames;            ///< code -> name on the page
    std::map<std::string, std::vector<std::string>> pictures; ///< code -> files it stores
    std::vector<scrape::ScrapeCall> calls;

    sync::Scraper bind() {
        return [this](scrape::ScrapeCall& call) {
            calls.push_back(call);
            call.cacheName = cacheNames[call.code];
            for (const std::string& name : pictures[call.code]) {
                base::writeFileAtomically(call.folder->path(name), "picture");
                call.folder->added(name);
                ++call.newPictures;
            }
            const auto it = results.find(call.code);
            return it == results.end() ? static_cast<int>(pictures[call.code].size()) : it->second;
        };
    }

    std::vector<std::string> codes() const {
        std::vector<std::string> out;
        for (const auto& c : calls)
            out.push_back(c.code);
        return out;
    }
};

} // namespace pixtrail::testing
