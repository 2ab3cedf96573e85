#pragma once

#include "scrape/endpoints.hpp"
#include "scrape/web_fetch.hpp"

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

namespace pixtrail::scrape {

/// The web fetch port over libcurl. One easy handle lives as long as the object, so
/// connections, DNS answers and cookies carry over from one request to the next.
/// Requests run one at a time; calls from several threads take turns.
class CurlFetch : public WebFetch {
public:
    /// The largest body accepted for DataType::Text (a page).
    static constexpr std::size_t kTextLimit = std::size_t{16} << 20;
    /// The largest body accepted for DataType::Bytes (a picture or a download).
    static constexpr std::size_t kBytesLimit = std::size_t{64} << 20;
    /// A server asking to wait longer than this is waited for this long.
    static constexpr std::chrono::seconds kMaxRetryAfter{300};

    /// Uses the cookie file and the request time-out of `endpoints`. Throws RunError when
    /// libcurl cannot be set up.
    explicit CurlFetch(const Endpoints& endpoints);
    ~CurlFetch() override;
    CurlFetch(const CurlFetch&) = delete;
    CurlFetch& operator=(const CurlFetch&) = delete;

    /// Follows up to 10 redirects (http and https only), decodes compressed bodies and, on
    /// 503, waits as the server asks (Retry-After, at most kMaxRetryAfter) and tries once
    /// more. A 429 is left to the caller, which knows whether to pause a whole run for it.
    /// The body arrives byte for byte, or "" on any failure.
    FetchResult fetch(std::string_view url, DataType type, std::chrono::seconds limit) override;
    using WebFetch::fetch;

    /// After Stop, a transfer that receives nothing for this long is given up.
    static constexpr std::chrono::seconds kStopGrace{5};

private:
    struct Attempt;
    Attempt attempt(const std::string& url, DataType type, std::chrono::seconds limit);
    static FetchResult resultOf(Attempt&& attempt);
    /// Sleeps in short steps so Stop is noticed; false when Stop ended the wait.
    bool waitBeforeRetry(std::chrono::seconds wait);

    void* m_curl = nullptr; ///< the CURL* (curl.h stays out of this header)
    long m_timeoutSeconds = 0;
    std::mutex m_mutex;
};

} // namespace pixtrail::scrape
