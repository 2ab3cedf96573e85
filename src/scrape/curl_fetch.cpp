#include "scrape/curl_fetch.hpp"

#include "base/clock.hpp"
#include "base/files.hpp"
#include "base/run_error.hpp"
#include "shell/debug_log.hpp"
#include "shell/version.hpp"

#include <curl/curl.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <new>
#include <optional>

namespace pixtrail::scrape {
namespace {

constexpr long kMaxRedirects = 10;
constexpr long kConnectTimeoutSeconds = 20;
// A transfer slower than one byte per second for a minute is stuck, whatever the
// whole-request limit says.
constexpr long kLowSpeedBytesPerSecond = 1;
constexpr long kLowSpeedSeconds = 60;
constexpr std::chrono::milliseconds kWaitStep{100};
constexpr const char* kSource = "libcurl";

[[noreturn]] void failToSetUp(std::string_view what) {
    throw base::RunError(base::err::kCannotCreateObject, kSource,
                         "The web component could not be set up (" + std::string(what) +
                             "). Reinstall Pixtrail and its libcurl library, then try again.");
}

void initializeLibcurlOnce() {
    static std::once_flag once;
    // A throw leaves the flag unset, so a later object tries again.
    std::call_once(once, [] {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
            failToSetUp("curl_global_init failed");
    });
}

std::string platformNote() {
#if defined(_WIN32)
    const char* system = "Windows";
#elif defined(__APPLE__)
    const char* system = "macOS";
#elif defined(__linux__)
    const char* system = "Linux";
#else
    const char* system = "Unix";
#endif
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    return std::string(system) + "; libcurl " + (info && info->version ? info->version : "?");
}

std::string userAgent() {
    return std::string(shell::kProductName) + "/" + shell::versionText() + " (" + platformNote() +
           ")";
}

// libcurl refuses a space in an address, while pages link to "my picture.jpg" freely; a
// browser sends it as %20, and so does libcurl itself when it follows a redirect.
std::string encodeSpaces(std::string_view url) {
    std::string out;
    out.reserve(url.size());
    for (const char c : url) {
        if (c == ' ')
            out += "%20";
        else
            out += c;
    }
    return out;
}

// Retry-After holds seconds or an HTTP date; anything unreadable counts as absent.
std::chrono::seconds parseRetryAfter(std::string_view value) {
    const auto first = value.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return std::chrono::seconds{0};
    value = value.substr(first, value.find_last_not_of(" \t") - first + 1);
    const long long cap = CurlFetch::kMaxRetryAfter.count();
    if (std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        long long seconds = 0;
        for (const char c : value) {
            seconds = std::min(cap, seconds * 10 + (c - '0'));
        }
        return std::chrono::seconds{seconds};
    }
    const std::time_t when = curl_getdate(std::string(value).c_str(), nullptr);
    if (when == -1)
        return std::chrono::seconds{0};
    const long long ahead =
        static_cast<long long>(when) - static_cast<long long>(std::time(nullptr));
    return std::chrono::seconds{std::clamp(ahead, 0LL, cap)};
}

struct Body {
    CURL* curl = nullptr;
    std::string data;
    std::size_t limit = 0;
    bool overLimit = false;
    bool outOfMemory = false;
};

// The cap is enforced here, as the bytes arrive: a chunked or compressed body announces
// no length that CURLOPT_MAXFILESIZE could check in advance.
size_t receiveBody(char* data, size_t size, size_t count, void* userData) {
    auto* body = static_cast<Body*>(userData);
    const size_t bytes = size * count;
    if (bytes > body->limit - body->data.size()) {
        body->overLimit = true;
        return 0; // anything but `bytes` makes libcurl abort the transfer
    }
    try {
        // A picture of some megabytes would otherwise be copied and its fresh pages faulted
        // in a dozen times over while the buffer doubles; the announced length (within the
        // cap) is room enough for all of it unless the body is compressed.
        if (body->data.empty()) {
            curl_off_t announced = -1;
            if (curl_easy_getinfo(body->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) ==
                    CURLE_OK &&
                announced > 0 && static_cast<std::size_t>(announced) <= body->limit)
                body->data.reserve(static_cast<std::size_t>(announced));
        }
        body->data.append(data, bytes);
    } catch (const std::bad_alloc&) {
        body->outOfMemory = true;
        return 0;
    }
    return bytes;
}

std::string limitText(std::size_t limit) {
    return std::to_string(limit >> 20) + " MiB";
}

// One line per failed attempt. Control characters in an address would break the line
// (or the file) apart, so they are shown as '?'.
void reportFailure(const std::string& address, const std::string& reason, long long milliseconds,
                   const std::string& suffix) {
    std::string shown = address;
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    }
    shell::WriteDebug("Fetch failed: " + shown + " - " + reason + " (" +
                      std::to_string(milliseconds) + " ms)" + suffix);
}

// Stop during a transfer: one that still makes progress may finish, one that has been quiet
// for kStopGrace since the press (or since its last byte, whichever is later) is given up.
struct Progress {
    std::function<bool()> stopRequested;
    curl_off_t received = 0;
    std::chrono::steady_clock::time_point lastByte = std::chrono::steady_clock::now();
    std::optional<std::chrono::steady_clock::time_point> stopSeen;
    bool gaveUp = false;
};

int onProgress(void* data, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
    auto* p = static_cast<Progress*>(data);
    if (!p)
        return 0;
    const auto now = std::chrono::steady_clock::now();
    if (received != p->received) {
        p->received = received;
        p->lastByte = now;
    }
    if (!p->stopRequested())
        return 0;
    if (!p->stopSeen)
        p->stopSeen = now;
    p->gaveUp = now - std::max(*p->stopSeen, p->lastByte) >= CurlFetch::kStopGrace;
    return p->gaveUp ? 1 : 0; // anything but 0 aborts the transfer
}

} // namespace

struct CurlFetch::Attempt {
    bool ok = false;
    long status = 0;
    std::string body;
    std::string finalUrl;
    bool lengthAnnounced = false;
    std::string reason; ///< why it failed, for the debug line
    long long milliseconds = 0;
    std::optional<std::chrono::seconds> retryAfter; ///< when the answer carried one
};

CurlFetch::CurlFetch(const Endpoints& endpoints) {
    initializeLibcurlOnce();
    m_curl = curl_easy_init();
    if (!m_curl)
        failToSetUp("curl_easy_init failed");
    CURL* curl = static_cast<CURL*>(m_curl);
    const auto require = [this](CURLcode code, const char* option) {
        if (code != CURLE_OK) {
            curl_easy_cleanup(static_cast<CURL*>(m_curl));
            m_curl = nullptr;
            failToSetUp(std::string(option) + ": " + curl_easy_strerror(code));
        }
    };
    // Time-outs must not rely on SIGALRM, which would hit whichever thread it likes.
    require(curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L), "NOSIGNAL");
    require(curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L), "FOLLOWLOCATION");
    require(curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects), "MAXREDIRS");
    // A page may link anywhere and a server may redirect anywhere; file:, ftp: and the
    // like must never be reached through either.
#if LIBCURL_VERSION_NUM >= 0x075500
    require(curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https"), "PROTOCOLS_STR");
    require(curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"),
            "REDIR_PROTOCOLS_STR");
#else
    require(curl_easy_setopt(curl, CURLOPT_PROTOCOLS, long{CURLPROTO_HTTP | CURLPROTO_HTTPS}),
            "PROTOCOLS");
    require(curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS, long{CURLPROTO_HTTP | CURLPROTO_HTTPS}),
            "REDIR_PROTOCOLS");
#endif
    // Empty: offer every encoding this libcurl can decode.
    require(curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, ""), "ACCEPT_ENCODING");
    require(curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds),
            "CONNECTTIMEOUT");
    require(curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedBytesPerSecond),
            "LOW_SPEED_LIMIT");
    require(curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kLowSpeedSeconds), "LOW_SPEED_TIME");
    m_timeoutSeconds = endpoints.requestTimeoutSeconds;
    require(curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L), "NOPROGRESS");
    require(curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &onProgress), "XFERINFOFUNCTION");
    const std::string agent = userAgent();
    require(curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str()), "USERAGENT");
    // Big reads: a 12-megapixel photo arrives in a few dozen pieces instead of hundreds.
    require(curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, 512L * 1024), "BUFFERSIZE");
    require(curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &receiveBody), "WRITEFUNCTION");
    if (!endpoints.cookieFile.empty()) {
        const std::string cookieFile = base::nativePath(endpoints.cookieFile).string();
        require(curl_easy_setopt(curl, CURLOPT_COOKIEFILE, cookieFile.c_str()), "COOKIEFILE");
    }
}

CurlFetch::~CurlFetch() {
    if (m_curl)
        curl_easy_cleanup(static_cast<CURL*>(m_curl));
}

FetchResult CurlFetch::resultOf(Attempt&& attempt) {
    FetchResult result;
    result.body = std::move(attempt.body);
    result.status = attempt.status;
    result.finalUrl = std::move(attempt.finalUrl);
    result.retryAfter = attempt.retryAfter;
    result.lengthAnnounced = attempt.lengthAnnounced;
    return result;
}

FetchResult CurlFetch::fetch(std::string_view url, DataType type, std::chrono::seconds limit) {
    std::lock_guard lock(m_mutex);
    const std::string address(url);
    Attempt first = attempt(address, type, limit);
    if (first.ok)
        return resultOf(std::move(first));
    if (first.status != 503) {
        reportFailure(address, first.reason, first.milliseconds, "");
        return resultOf(std::move(first));
    }
    const std::chrono::seconds wait = first.retryAfter.value_or(std::chrono::seconds{0});
    reportFailure(address, first.reason, first.milliseconds,
                  "; retrying in " + std::to_string(wait.count()) + " s");
    if (!waitBeforeRetry(wait))
        return resultOf(std::move(first));
    Attempt second = attempt(address, type, limit);
    if (!second.ok)
        reportFailure(address, second.reason, second.milliseconds, "");
    return resultOf(std::move(second));
}

bool CurlFetch::waitBeforeRetry(std::chrono::seconds wait) {
    std::chrono::milliseconds left = wait;
    for (;;) {
        if (stopRequested())
            return false;
        if (left <= std::chrono::milliseconds::zero())
            return true;
        const auto step = std::min(left, kWaitStep);
        base::clock().sleepFor(step);
        left -= step;
    }
}

CurlFetch::Attempt CurlFetch::attempt(const std::string& url, DataType type,
                                      std::chrono::seconds limit) {
    Attempt result;
    // A NUL would silently cut the address short and fetch some other page.
    if (url.find('\0') != std::string::npos) {
        result.reason = "the address contains a NUL character";
        return result;
    }
    CURL* curl = static_cast<CURL*>(m_curl);
    const std::string address = encodeSpaces(url);
    Body body;
    body.curl = curl;
    body.limit = type == DataType::Bytes ? kBytesLimit : kTextLimit;
    char errorText[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(body.limit));
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    const long seconds = limit.count() > 0 ? static_cast<long>(limit.count()) : m_timeoutSeconds;
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, seconds);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, std::min(seconds, kConnectTimeoutSeconds));
    Progress progress;
    progress.stopRequested = [this] { return stopRequested(); };
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &progress);

    const auto start = std::chrono::steady_clock::now();
    const CURLcode code = curl_easy_perform(curl);
    result.milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - start)
                              .count();
    // Nothing may point into this frame once it is gone.
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, nullptr);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.status);
    const char* effective = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
        result.finalUrl = effective;
    curl_off_t announced = -1;
    result.lengthAnnounced =
        curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) == CURLE_OK &&
        announced >= 0;
    if (result.status != 0) {
        curl_header* header = nullptr;
        if (curl_easy_header(curl, "Retry-After", 0, CURLH_HEADER, -1, &header) == CURLHE_OK &&
            header && header->value)
            result.retryAfter = parseRetryAfter(header->value);
    }

    if (code == CURLE_OK && result.status >= 200 && result.status <= 299) {
        result.ok = true;
        result.body = std::move(body.data);
        return result;
    }
    if (body.overLimit || code == CURLE_FILESIZE_EXCEEDED)
        result.reason = "body larger than " + limitText(body.limit);
    else if (body.outOfMemory)
        result.reason = "out of memory";
    else if (progress.gaveUp)
        result.reason =
            "stopped: nothing received for " + std::to_string(kStopGrace.count()) + " s after Stop";
    else if (code != CURLE_OK)
        result.reason = errorText[0] != '\0' ? errorText : curl_easy_strerror(code);
    else
        result.reason = "HTTP " + std::to_string(result.status);
    return result;
}

} // namespace pixtrail::scrape
