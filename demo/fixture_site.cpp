#include "demo/fixture_site.hpp"

#include <httplib.h>
#include <zlib.h>

#include "demo/site_sockets.hpp"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <condition_variable>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace pixtrail::demo {
namespace {

constexpr std::string_view kChainPrefix = "/__chain/";
constexpr std::size_t kSlice = 64 * 1024;
constexpr std::size_t kDefaultFaultBody = 4096;

struct Content {
    std::string body;
    std::string contentType;
};

// Bytes that are neither all alike nor compressible to nothing, so a size means a size on
// the wire too.
const std::string& filler() {
    static const std::string bytes = [] {
        std::string s(kSlice, '\0');
        unsigned state = 12345;
        for (char& c : s) {
            state = state * 1103515245u + 12345u;
            c = static_cast<char>(state >> 16);
        }
        return s;
    }();
    return bytes;
}

std::string fillerOfSize(std::size_t size) {
    std::string s;
    s.reserve(size);
    while (s.size() < size)
        s.append(filler(), 0, std::min(kSlice, size - s.size()));
    return s;
}

std::string gzip(const std::string& data) {
    z_stream zs{};
    if (deflateInit2(&zs, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::string out(deflateBound(&zs, static_cast<uLong>(data.size())), '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    if (rc != Z_STREAM_END)
        throw std::runtime_error("deflate failed");
    return out;
}

std::string contentTypeFor(const fs::path& file) {
    std::string ext = file.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".jpg" || ext == ".jpeg")
        return "image/jpeg";
    if (ext == ".png")
        return "image/png";
    if (ext == ".gif")
        return "image/gif";
    if (ext == ".htm" || ext == ".html" || ext == ".aspx")
        return "text/html";
    if (ext == ".txt")
        return "text/plain";
    if (ext == ".xml" || ext == ".gpx")
        return "application/xml";
    return "application/octet-stream";
}

} // namespace

struct FixtureSite::Impl {
    httplib::Server server;
    std::thread thread;
    int port = -1;
    std::atomic<bool> listenEnded{false};

    mutable std::mutex mutex;
    std::condition_variable stopSignal;
    bool stopping = false;
    std::map<std::string, Content> pages;
    std::vector<std::pair<std::string, fs::path>> folders;
    std::map<std::string, Fault> faults;
    std::vector<SeenRequest> seen;
    std::chrono::milliseconds latency{0};
    double bytesPerSecond = 0; ///< 0: as fast as loopback goes

    void handle(const httplib::Request& req, httplib::Response& res);
    std::optional<Content> lookup(const std::string& target, const std::string& path) const;
    std::optional<Fault> takeFault(const std::string& target);
    /// Waits for `duration` or until the site stops; false when it stopped.
    bool waitFor(std::chrono::milliseconds duration);
    bool isStopping() const;

    void serveNormally(const std::string& target, const std::string& path, httplib::Response& res);
    void sendBody(httplib::Response& res, int status, std::string body, std::string type);
    void sendPartial(const httplib::Request& req, httplib::Response& res, Fault fault,
                     std::optional<Content> content);
    std::string address(std::string_view target) const {
        return "http://127.0.0.1:" + std::to_string(port) + std::string(target);
    }
};

bool FixtureSite::Impl::isStopping() const {
    std::lock_guard lock(mutex);
    return stopping;
}

bool FixtureSite::Impl::waitFor(std::chrono::milliseconds duration) {
    std::unique_lock lock(mutex);
    return !stopSignal.wait_for(lock, duration, [this] { return stopping; });
}

std::optional<Content> FixtureSite::Impl::lookup(const std::string& target,
                                                 const std::string& path) const {
    std::vector<std::pair<std::string, fs::path>> roots;
    {
        std::lock_guard lock(mutex);
        if (const auto it = pages.find(target); it != pages.end())
            return it->second;
        roots = folders;
    }
    for (const auto& [prefix, folder] : roots) {
        if (path.compare(0, prefix.size(), prefix) != 0)
            continue;
        const fs::path relative = fs::path(path.substr(prefix.size())).lexically_normal();
        if (relative.empty() || relative.is_absolute() || *relative.begin() == "..")
            continue;
        const fs::path file = folder / relative;
        std::error_code ec;
        if (!fs::is_regular_file(file, ec))
            continue;
        std::ifstream in(file, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return Content{bytes.str(), contentTypeFor(file)};
    }
    return std::nullopt;
}

std::optional<Fault> FixtureSite::Impl::takeFault(const std::string& target) {
    std::lock_guard lock(mutex);
    const auto it = faults.find(target);
    if (it == faults.end() || it->second.times == 0 || it->second.kind == Fault::Kind::None)
        return std::nullopt;
    if (it->second.times > 0)
        --it->second.times;
    return it->second;
}

// Bodies go out through a content provider with a known length: httplib then leaves them
// as they are, where it would compress a text body on its own for any client offering
// gzip or br, and the site must decide about encodings itself.
void FixtureSite::Impl::sendBody(httplib::Response& res, int status, std::string body,
                                 std::string type) {
    res.status = status;
    if (body.empty())
        return;
    auto shared = std::make_shared<std::string>(std::move(body));
    double rate = 0;
    {
        std::lock_guard lock(mutex);
        rate = bytesPerSecond;
    }
    res.set_content_provider(
        shared->size(), std::move(type),
        [this, shared, rate](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            if (isStopping())
                return false;
            const std::size_t slice = std::min(length, kSlice);
            if (rate > 0 && !waitFor(std::chrono::milliseconds(static_cast<long long>(
                                1000.0 * static_cast<double>(slice) / rate))))
                return false;
            return sink.write(shared->data() + offset, slice);
        });
}

void FixtureSite::Impl::serveNormally(const std::string& target, const std::string& path,
                                      httplib::Response& res) {
    if (auto content = lookup(target, path))
        sendBody(res, 200, std::move(content->body), std::move(content->contentType));
    else
        sendBody(res, 404, "<html><body>Not found</body></html>", "text/html");
}

// Announces the full length, sends the first half, then misbehaves as the fault says.
void FixtureSite::Impl::sendPartial(const httplib::Request& req, httplib::Response& res,
                                    Fault fault, std::optional<Content> content) {
    if (!content)
        content = Content{fillerOfSize(fault.size ? fault.size : kDefaultFaultBody),
                          "application/octet-stream"};
    auto body = std::make_shared<std::string>(std::move(content->body));
    const std::size_t half = std::max<std::size_t>(1, body->size() / 2);
    const int localPort = req.local_port;
    const int remotePort = req.remote_port;
    res.status = 200;
    res.set_content_provider(
        body->size(), content->contentType,
        [this, body, half, fault, localPort, remotePort](std::size_t offset, std::size_t,
                                                         httplib::DataSink& sink) {
            if (isStopping())
                return false;
            if (offset < half)
                return sink.write(body->data() + offset, std::min(half - offset, kSlice));
            switch (fault.kind) {
            case Fault::Kind::ResetMidBody:
                // Let the first half reach the client before the reset discards what is
                // still queued.
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                resetConnection(localPort, remotePort);
                return false;
            case Fault::Kind::StallMidBody:
                if (!waitFor(fault.delay))
                    return false;
                return sink.write(body->data() + offset, body->size() - offset);
            default: // Truncated: closing now leaves the announced length unfulfilled
                return false;
            }
        });
}

void FixtureSite::Impl::handle(const httplib::Request& req, httplib::Response& res) {
    {
        std::lock_guard lock(mutex);
        seen.push_back({req.target, req.get_header_value("User-Agent"),
                        req.get_header_value("Accept-Encoding"), req.get_header_value("Cookie"),
                        req.remote_port});
    }
    std::chrono::milliseconds wait{0};
    {
        std::lock_guard lock(mutex);
        wait = latency;
    }
    if (wait.count() > 0 && !waitFor(wait))
        return;
    std::string target = req.target;
    std::string path = req.path;

    // A hop of a redirect chain: "/__chain/N" + the original target.
    if (target.compare(0, kChainPrefix.size(), kChainPrefix) == 0) {
        const std::size_t slash = target.find('/', kChainPrefix.size());
        const std::string original = slash == std::string::npos ? "/" : target.substr(slash);
        int hop = 0;
        const char* digits = target.c_str() + kChainPrefix.size();
        std::from_chars(digits, target.c_str() + target.size(), hop);
        int count = 0;
        {
            std::lock_guard lock(mutex);
            if (const auto it = faults.find(original);
                it != faults.end() && it->second.kind == Fault::Kind::RedirectChain)
                count = it->second.count;
        }
        if (hop < count) {
            res.set_redirect(
                address(std::string(kChainPrefix) + std::to_string(hop + 1) + original), 302);
            return;
        }
        const std::size_t query = original.find('?');
        serveNormally(original, httplib::detail::decode_url(original.substr(0, query), false), res);
        return;
    }

    const std::optional<Fault> fault = takeFault(target);
    if (!fault) {
        serveNormally(target, path, res);
        return;
    }
    switch (fault->kind) {
    case Fault::Kind::None:
    case Fault::Kind::Delay:
        if (!waitFor(fault->delay)) {
            sendBody(res, 503, "", "text/plain");
            return;
        }
        serveNormally(target, path, res);
        return;
    case Fault::Kind::Status: {
        if (!fault->retryAfter.empty())
            res.set_header("Retry-After", fault->retryAfter);
        sendBody(res, fault->status, fillerOfSize(fault->size), "text/html");
        return;
    }
    case Fault::Kind::ResetMidBody:
    case Fault::Kind::Truncated:
    case Fault::Kind::StallMidBody:
        sendPartial(req, res, *fault, lookup(target, path));
        return;
    case Fault::Kind::Oversized: {
        const std::size_t size = fault->size;
        res.status = 200;
        res.set_chunked_content_provider(
            "application/octet-stream", [this, size](std::size_t offset, httplib::DataSink& sink) {
                if (isStopping())
                    return false;
                if (offset >= size) {
                    sink.done();
                    return true;
                }
                return sink.write(filler().data(), std::min(kSlice, size - offset));
            });
        return;
    }
    case Fault::Kind::Redirect:
        res.set_redirect(fault->location, 302);
        return;
    case Fault::Kind::RedirectLoop:
        res.set_redirect(address(target), 302);
        return;
    case Fault::Kind::RedirectChain:
        if (fault->count <= 0) {
            serveNormally(target, path, res);
            return;
        }
        res.set_redirect(address(std::string(kChainPrefix) + "1" + target), 302);
        return;
    case Fault::Kind::Gzip: {
        auto content = lookup(target, path);
        if (!content) {
            serveNormally(target, path, res);
            return;
        }
        if (req.get_header_value("Accept-Encoding").find("gzip") == std::string::npos) {
            sendBody(res, 200, std::move(content->body), std::move(content->contentType));
            return;
        }
        res.set_header("Content-Encoding", "gzip");
        sendBody(res, 200, gzip(content->body), std::move(content->contentType));
        return;
    }
    case Fault::Kind::Unannounced: {
        auto content = lookup(target, path);
        if (!content) {
            serveNormally(target, path, res);
            return;
        }
        auto body = std::make_shared<std::string>(std::move(content->body));
        if (fault->size > 0 && fault->size < body->size())
            body->resize(fault->size);
        res.status = 200;
        const int localPort = req.local_port;
        const int remotePort = req.remote_port;
        res.set_content_provider(content->contentType, [this, body, localPort,
                                                        remotePort](std::size_t offset,
                                                                    httplib::DataSink& sink) {
            if (isStopping())
                return false;
            if (offset < body->size())
                return sink.write(body->data() + offset, std::min(kSlice, body->size() - offset));
            endSending(localPort, remotePort);
            return false;
        });
        return;
    }
    case Fault::Kind::Trickle: {
        auto content = lookup(target, path);
        if (!content) {
            serveNormally(target, path, res);
            return;
        }
        auto body = std::make_shared<std::string>(std::move(content->body));
        const std::size_t piece =
            std::max<std::size_t>(1, body->size() / std::max(1, fault->count));
        res.status = 200;
        res.set_content_provider(body->size(), content->contentType,
                                 [this, body, piece, delay = fault->delay](
                                     std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                     if (offset > 0 && !waitFor(delay))
                                         return false;
                                     return sink.write(body->data() + offset,
                                                       std::min(piece, body->size() - offset));
                                 });
        return;
    }
    case Fault::Kind::NeverAnswer:
        waitFor(std::chrono::hours(24));
        sendBody(res, 503, "", "text/plain");
        return;
    }
}

FixtureSite::FixtureSite() : m_impl(std::make_unique<Impl>()) {
    static const bool ready = [] {
        prepareSockets();
        return true;
    }();
    (void)ready;

    Impl& impl = *m_impl;
    // Short keep-alive and read limits let the destructor finish promptly even while a
    // client still holds an idle connection.
    impl.server.set_keep_alive_timeout(3);
    impl.server.set_keep_alive_max_count(100);
    impl.server.set_read_timeout(2, 0);
    impl.server.set_write_timeout(5, 0);
    impl.server.set_tcp_nodelay(true);
    impl.server.new_task_queue = [] { return new httplib::ThreadPool(16); };
    impl.server.Get(".*", [&impl](const httplib::Request& req, httplib::Response& res) {
        impl.handle(req, res);
    });
    impl.port = impl.server.bind_to_any_port("127.0.0.1");
    if (impl.port <= 0)
        throw std::runtime_error("the fixture site could not listen on 127.0.0.1");
    impl.thread = std::thread([&impl] {
        impl.server.listen_after_bind();
        impl.listenEnded = true;
    });
    // stop() before the server runs would be lost and leave it listening for ever.
    while (!impl.server.is_running() && !impl.listenEnded)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!impl.server.is_running()) {
        impl.thread.join();
        throw std::runtime_error("the fixture site could not start listening");
    }
}

FixtureSite::~FixtureSite() {
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->stopping = true;
    }
    m_impl->stopSignal.notify_all();
    m_impl->server.stop();
    m_impl->thread.join();
}

int FixtureSite::port() const {
    return m_impl->port;
}

std::string FixtureSite::host() const {
    return "127.0.0.1:" + std::to_string(m_impl->port);
}

std::string FixtureSite::url(std::string_view target) const {
    return m_impl->address(target);
}

void FixtureSite::serve(std::string target, std::string body, std::string contentType) {
    std::lock_guard lock(m_impl->mutex);
    m_impl->pages[std::move(target)] = Content{std::move(body), std::move(contentType)};
}

void FixtureSite::serveFolder(std::string urlPrefix, std::filesystem::path folder) {
    std::lock_guard lock(m_impl->mutex);
    m_impl->folders.emplace_back(std::move(urlPrefix), std::move(folder));
}

void FixtureSite::serveDemoSite(const std::filesystem::path& siteFolder) {
    const auto read = [](const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    };
    serve("/", read(siteFolder / "index.html"));
    const std::string marker = "@HOST@";
    for (const auto& entry : std::filesystem::directory_iterator(siteFolder / "caches")) {
        std::string page = read(entry.path());
        for (size_t p = page.find(marker); p != std::string::npos; p = page.find(marker, p))
            page.replace(p, marker.size(), host());
        serve("/seek/cache_details.aspx?wp=" + entry.path().stem().string() + "&Submit6=Find",
              page);
    }
    serveFolder("/cache/", siteFolder / "cache");
    serveFolder("/", siteFolder / "cdn"); // the content-delivery host keeps its copies at its root
}

void FixtureSite::setNetwork(std::chrono::milliseconds latency, double bytesPerSecond) {
    std::lock_guard lock(m_impl->mutex);
    m_impl->latency = latency;
    m_impl->bytesPerSecond = bytesPerSecond;
}

void FixtureSite::setFault(std::string target, Fault fault) {
    std::lock_guard lock(m_impl->mutex);
    m_impl->faults[std::move(target)] = std::move(fault);
}

std::vector<SeenRequest> FixtureSite::requests() const {
    std::lock_guard lock(m_impl->mutex);
    return m_impl->seen;
}

std::vector<std::string> FixtureSite::targets() const {
    std::lock_guard lock(m_impl->mutex);
    std::vector<std::string> result;
    result.reserve(m_impl->seen.size());
    for (const auto& r : m_impl->seen)
        result.push_back(r.target);
    return result;
}

void FixtureSite::clearRequests() {
    std::lock_guard lock(m_impl->mutex);
    m_impl->seen.clear();
}

} // namespace pixtrail::demo
