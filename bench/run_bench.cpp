#include "support/sample_pictures.hpp"
#include "support/sample_site.hpp"
#include "support/temp_folder.hpp"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// A whole run over 500 caches with three pictures each (one a 12-megapixel photo) from the
// fixture site, delay 0. The CPU time is split by running three variants of the run:
//   full   - download and shrink everything,
//   plain  - download everything, shrinking off,
//   pages  - every picture already present (re-check on, shrinking off): page work only.
// JPEG work = full - plain, downloads = plain - pages, page work = pages.
namespace fs = std::filesystem;
using namespace pixtrail;
extern char** environ;

namespace {

struct Measured {
    double wall = 0;
    double cpu = 0;
    long peakMiB = 0;
    int exitCode = -1;
};

Measured runCli(const std::string& exe, const std::string& config) {
    std::string env = "XDG_CONFIG_HOME=" + config;
    std::vector<char*> envp{env.data()};
    for (char** e = environ; *e; ++e)
        envp.push_back(*e);
    envp.push_back(nullptr);
    std::vector<char*> argv{const_cast<char*>(exe.c_str()), const_cast<char*>("-a"), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    Measured m;
    if (posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        m.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        m.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        m.peakMiB = usage.ru_maxrss / 1024;
        m.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return m;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "Usage: pixtrail-run-bench PIXTRAIL-CLI [CACHES]\n");
        return 2;
    }
    const int caches = argc > 2 ? std::stoi(argv[2]) : 500;
    testing::SampleSite sample(caches, {{"photo", testing::texturedJpeg(4000, 3000, 1)},
                                        {"detail", testing::texturedJpeg(800, 600, 2)},
                                        {"map", testing::texturedJpeg(640, 480, 3)}});
    auto variant = [&](const std::string& extra, bool twice) {
        testing::TempFolder dir;
        const std::string exe = (dir.path() / "pixtrail-cli").string();
        fs::copy_file(argv[1], exe);
        fs::create_directory(dir.path() / "spoilers");
        dir.write("caches.gpx", sample.waypointFile());
        dir.write("pixtrail.ini",
                  sample.settings(dir.file("caches.gpx"), dir.file("spoilers"), extra));
        Measured m = runCli(exe, dir.file("config"));
        if (twice)
            m = runCli(exe, dir.file("config"));
        return m;
    };
    const Measured full = variant("", false);
    const Measured plain = variant("shrinkpics=0\r\n", false);
    const Measured pages = variant("shrinkpics=0\r\nrecheck=1\r\n", true);

    const double jpeg = full.cpu - plain.cpu;
    const double downloads = plain.cpu - pages.cpu;
    std::printf("%d caches (%d with 3 pictures, one of them 12 MP), %.0f MiB transferred\n", caches,
                sample.cachesWithPictures(),
                static_cast<double>(sample.bytesPerFullRun()) / (1 << 20));
    std::printf("full run: %.2f s wall, %.2f s CPU, peak %ld MiB\n", full.wall, full.cpu,
                full.peakMiB);
    std::printf("CPU split: JPEG work %.2f s (%.0f %%), downloads %.2f s, page work %.2f s\n", jpeg,
                100 * jpeg / full.cpu, downloads, pages.cpu);
    std::printf("everything but JPEG work: %.2f ms CPU per cache\n",
                1000 * (full.cpu - jpeg) / caches);
    const bool ok = full.exitCode == 0 && plain.exitCode == 0 && pages.exitCode == 0;
    if (!ok)
        std::printf("a run failed\n");
    return ok ? 0 : 1;
}
