#pragma once

#include "support/fixture_site.hpp"

#include <string>
#include <vector>

namespace pixtrail::testing {

/// Where the site serves a cache's page.
std::string cacheTarget(const std::string& code);

/// A cache page of today's layout, long enough to earn a no-spoiler marker, linking each
/// picture address with the caption "Spoiler " + its file name without extension.
std::string cachePage(const std::string& code, const std::string& name,
                      const std::vector<std::string>& pictureAddresses = {});

/// A settings file reading `waypointFile` into `spoilerFolder` without delay or summary, with
/// every host of the site at `host`; `extra` and `network` lines come first in their
/// sections, so they win over these.
std::string siteSettings(const std::string& host, const std::string& waypointFile,
                         const std::string& spoilerFolder, const std::string& extra = "",
                         const std::string& network = "");

/// A fixture site with many caches for the heavier checks: every tenth cache has no
/// pictures (its page is long enough to earn a no-spoiler marker), the others link each of
/// the given pictures with the caption "Spoiler " + its name.
class SampleSite {
public:
    struct Picture {
        std::string name;  ///< used in the address and the caption
        std::string bytes; ///< served for every cache
    };

    SampleSite(int caches, std::vector<Picture> pictures);

    FixtureSite& site() { return m_site; }
    const std::vector<std::string>& codes() const { return m_codes; }
    const std::vector<Picture>& pictures() const { return m_pictures; }
    int cachesWithPictures() const;
    /// A GPX file naming every cache.
    std::string waypointFile() const;
    /// A settings file that points every host at the site.
    std::string settings(const std::string& waypointFile, const std::string& spoilerFolder,
                         const std::string& extraSettings = "") const;
    /// Bytes of page and picture bodies one full run fetches.
    long long bytesPerFullRun() const;

    /// Code number i: "GC" and five characters.
    static std::string code(int i);

private:
    FixtureSite m_site;
    std::vector<std::string> m_codes;
    std::vector<Picture> m_pictures;
    long long m_pageBytes = 0;
};

} // namespace pixtrail::testing
