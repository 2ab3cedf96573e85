#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// A small web site on 127.0.0.1 for tests and the demo: it serves pages, pictures and
// feeds from memory or a folder and can misbehave on request, so the real network code
// is tested against real sockets without leaving the machine.
namespace pixtrail::demo {

/// How one address misbehaves.
struct Fault {
    enum class Kind {
        None,
        Delay,         ///< answer normally after `delay`
        ResetMidBody,  ///< send headers and part of the body, then reset the connection
        Status,        ///< answer with `status` and a body of `size` bytes
        Truncated,     ///< announce the full length, send only half of it, then close
        Oversized,     ///< a body of `size` bytes, sent chunked (no length announced)
        RedirectLoop,  ///< redirect to itself, for ever
        RedirectChain, ///< `count` redirects, then the real content
        Gzip,          ///< the real content, gzip-encoded when the client accepts it
        StallMidBody,  ///< send part of the body, then nothing for `delay`
        NeverAnswer,   ///< accept, read the request, never answer (until the site stops)
        Redirect,      ///< one redirect to `location`, wherever that points
        /// The real content without an announced length, ended by closing the connection;
        /// cut after `size` bytes when `size` is not 0, as a broken connection would.
        Unannounced,
        /// The real content in `count` pieces, `delay` apart: slow, but never quiet for long.
        Trickle,
    };
    Kind kind = Kind::None;
    std::chrono::milliseconds delay{0};
    int status = 200;
    std::size_t size = 0;
    int count = 0;
    std::string retryAfter; ///< Retry-After header value for Status faults, when not empty
    std::string location;   ///< where a Redirect fault sends the client
    int times = -1;         ///< how many requests misbehave before the address heals; -1: all
};

/// One request as the site saw it.
struct SeenRequest {
    std::string target; ///< path and query, as sent
    std::string userAgent;
    std::string acceptEncoding;
    std::string cookie;
    int clientPort = 0; ///< the client's port: requests on one connection share it
};

class FixtureSite {
public:
    /// Starts listening on 127.0.0.1 at a port the system chooses.
    FixtureSite();
    /// Stops the site; requests in flight are cut.
    ~FixtureSite();
    FixtureSite(const FixtureSite&) = delete;
    FixtureSite& operator=(const FixtureSite&) = delete;

    int port() const;
    /// "127.0.0.1:PORT", ready for a host setting.
    std::string host() const;
    /// "http://127.0.0.1:PORT" + target
    std::string url(std::string_view target) const;

    /// Serves `body` at exactly this target (path and query, e.g.
    /// "/seek/cache_details.aspx?wp=GC1&Submit6=Find").
    void serve(std::string target, std::string body, std::string contentType = "text/html");
    /// Serves every file below `folder` at urlPrefix + its relative path ("/cache/x.jpg").
    void serveFolder(std::string urlPrefix, std::filesystem::path folder);
    /// Serves the bundled sample site in `siteFolder` (demo/site) as the real site serves it:
    /// its home page, each page of caches/ at its cache's address with "@HOST@" replaced by
    /// this site's host, the pictures of cache/ and, at the root, the copies of cdn/.
    void serveDemoSite(const std::filesystem::path& siteFolder);
    /// Makes every answer wait `latency` first and send its body at most `bytesPerSecond`
    /// fast (0: unlimited), as a real network would.
    void setNetwork(std::chrono::milliseconds latency, double bytesPerSecond);
    /// Makes a target misbehave (exact target match, query included).
    void setFault(std::string target, Fault fault);

    /// Every request received so far, in order of arrival.
    std::vector<SeenRequest> requests() const;
    /// Targets only, in order of arrival.
    std::vector<std::string> targets() const;
    void clearRequests();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace pixtrail::demo
