#pragma once

#include <string>
#include <string_view>

// Every host the program talks to has a built-in default and can be overridden in the
// settings file, section "Network", so tests and the demo point the whole program at a
// local site. Host values may carry a port ("127.0.0.1:8080").
namespace pixtrail::scrape {

struct Endpoints {
    std::string cachePageHost = "www.geocaching.com";          ///< key "cachehost"
    std::string imageHost1 = "img.geocaching.com";             ///< key "imagehost1"
    std::string imageHost2 = "imgcdn.geocaching.com";          ///< key "imagehost2"
    std::string imageHost3 = "img.groundspeak.com";            ///< key "imagehost3"
    std::string contentDeliveryHost = "imgcdn.geocaching.com"; ///< key "cdnhost"
    std::string connectivityProbe; ///< key "probe"; empty: "http://" + cachePageHost + "/"
    std::string homePageHost = "www.pixtrail.app"; ///< key "homehost"
    std::string cookieFile;                        ///< key "cookiefile"; Netscape format, optional
    /// Key "timeout": the limit for one whole transfer. Generous, since a stalled transfer is
    /// cut after 60 s below 1 byte/s anyway and a big picture on a slow line needs minutes.
    int requestTimeoutSeconds = 600;

    /// The probe address, with its default applied.
    std::string probeAddress() const;
    /// "http://" + home-page host + "/pixtrail"
    std::string homePageAddress() const;
    /// The update feed: home-page address + "/index" + ".htm"
    std::string updateFeedAddress() const;
};

/// Reads section "Network" of the settings file; absent keys keep their defaults, an
/// empty or unusable timeout keeps its default too. Never writes the file.
Endpoints loadEndpoints(std::string_view settingsFile);

} // namespace pixtrail::scrape
