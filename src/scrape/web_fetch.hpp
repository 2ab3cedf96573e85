#pragma once

#include <functional>
#include <string>
#include <string_view>

// The one door to the network. Every request of the program (connectivity probe, cache
// pages, pictures, update feed, upgrade download) goes through OpenURL.
namespace pixtrail::scrape {

/// What the caller wants back: text (a page: one Windows-1252 character per received
/// byte) or bytes (a picture or download). Both arrive in a std::string.
enum class DataType { Text = 0, Bytes = 1 };

class WebFetch {
public:
    virtual ~WebFetch() = default;

    /// The body of a successful (2xx) response. Empty when the request failed in any way:
    /// an error status, a transport failure, a time-out or a body over the size cap. Such
    /// a failure writes one debug line and is not an error; only a fault of the component
    /// itself raises a RunError.
    virtual std::string OpenURL(std::string_view url, DataType type = DataType::Text) = 0;

    /// Asked during long waits (a server's Retry-After); returning true ends the wait
    /// early, so Stop is honoured there too.
    void setStopRequested(std::function<bool()> stopRequested) {
        m_stopRequested = std::move(stopRequested);
    }

protected:
    bool stopRequested() const { return m_stopRequested && m_stopRequested(); }

private:
    std::function<bool()> m_stopRequested;
};

} // namespace pixtrail::scrape
