#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The one door to the network. Every request of the program (connectivity probe, cache
// pages, pictures, update feed, upgrade download) goes through OpenURL.
namespace pixtrail::scrape {

/// What the caller wants back: text (a page: one Windows-1252 character per received
/// byte) or bytes (a picture or download). Both arrive in a std::string.
enum class DataType { Text = 0, Bytes = 1 };

/// One request's outcome, for callers that must tell one failure from another.
struct FetchResult {
    std::string body;     ///< the body of a successful (2xx) answer; empty on any failure
    long status = 0;      ///< the last HTTP status received, 0 when no answer came
    std::string finalUrl; ///< the address that answered last, after redirects
    /// The server's Retry-After, when the last answer carried one it could read.
    std::optional<std::chrono::seconds> retryAfter;
    /// The answer announced its length. Without it a body ends where the connection
    /// closed, and a connection that broke looks like a short body.
    bool lengthAnnounced = false;
};

class WebFetch {
public:
    virtual ~WebFetch() = default;

    /// The request and what came back. A failure of any kind (an error status, a transport
    /// failure, a time-out, a body over the size cap) leaves the body empty and writes one
    /// debug line; it is not an error. Only a fault of the component itself raises a
    /// RunError. `limit`, when not zero, is the most the whole request may take.
    virtual FetchResult fetch(std::string_view url, DataType type, std::chrono::seconds limit) = 0;

    FetchResult fetch(std::string_view url, DataType type) {
        return fetch(url, type, std::chrono::seconds{0});
    }

    /// The body of a successful (2xx) answer, or empty when the request failed in any way.
    std::string OpenURL(std::string_view url, DataType type = DataType::Text) {
        return fetch(url, type).body;
    }

    /// Asked during long waits (a server's Retry-After) and while a transfer stalls;
    /// returning true ends the wait early, and a transfer that has received nothing for a
    /// few seconds since, so Stop is honoured there too.
    void setStopRequested(std::function<bool()> stopRequested) {
        m_stopRequested = std::move(stopRequested);
    }

protected:
    bool stopRequested() const { return m_stopRequested && m_stopRequested(); }

private:
    std::function<bool()> m_stopRequested;
};

} // namespace pixtrail::scrape
