#include "demo/fixture_site.hpp"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

// The demo's stand-in for the geocaching web site: serves the bundled cache pages at
// their real addresses on 127.0.0.1, prints "127.0.0.1:PORT" and runs until it is told to stop
// (SIGTERM or Ctrl-C).
namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string withHost(std::string page, const std::string& host) {
    const std::string marker = "@HOST@";
    for (size_t p = page.find(marker); p != std::string::npos; p = page.find(marker, p))
        page.replace(p, marker.size(), host);
    return page;
}

volatile std::sig_atomic_t g_stop = 0;
extern "C" void onSignal(int) {
    g_stop = 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: pixtrail-demo-site SITE-FOLDER\n");
        return 2;
    }
    const fs::path site = argv[1];
    pixtrail::demo::FixtureSite server;
    server.serve("/", readAll(site / "index.html"));
    for (const auto& entry : fs::directory_iterator(site / "caches")) {
        const std::string code = entry.path().stem().string();
        server.serve("/seek/cache_details.aspx?wp=" + code + "&Submit6=Find",
                     withHost(readAll(entry.path()), server.host()));
    }
    server.serveFolder("/cache/", site / "cache");
    // The content-delivery host keeps its copies at its root.
    server.serveFolder("/", site / "cdn");

    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    std::printf("%s\n", server.host().c_str());
    std::fflush(stdout);
    while (!g_stop)
        pause();
    return 0;
}
