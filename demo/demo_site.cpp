#include "demo/fixture_site.hpp"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

// The demo's stand-in for the geocaching web site: serves the bundled cache pages at
// their real addresses on 127.0.0.1, prints "127.0.0.1:PORT" and runs until it is told to stop
// (SIGTERM or Ctrl-C).
namespace fs = std::filesystem;

namespace {

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
    server.serveDemoSite(site);

    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    std::printf("%s\n", server.host().c_str());
    std::fflush(stdout);
    while (!g_stop)
        pause();
    return 0;
}
