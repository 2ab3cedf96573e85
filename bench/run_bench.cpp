#include "support/run_program.hpp"
#include "support/sample_pictures.hpp"
#include "support/sample_site.hpp"
#include "support/temp_folder.hpp"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

// A whole run over 500 caches with three pictures each (one a 12-megapixel photo) from the
// fixture site, delay 0. The CPU time is split by running three variants of the run:
//   full   - download and shrink everything,
//   plain  - download everything, shrinking off,
//   pages  - every picture already present (re-check on, shrinking off): page work only.
// JPEG work = full - plain, downloads = plain - pages, page work = pages.
namespace fs = std::filesystem;
using namespace pixtrail;
using testing::ProgramResult;
using testing::runProgram;

namespace {

ProgramResult runCli(const std::string& exe, const std::string& config) {
    return runProgram(exe, {"-a"}, {std::chrono::hours(2), 0, {"XDG_CONFIG_HOME=" + config}});
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
        ProgramResult m = runCli(exe, dir.file("config"));
        if (twice)
            m = runCli(exe, dir.file("config"));
        return m;
    };
    const ProgramResult full = variant("", false);
    const ProgramResult plain = variant("shrinkpics=0\r\n", false);
    const ProgramResult pages = variant("shrinkpics=0\r\nrecheck=1\r\n", true);

    const double jpeg = full.cpuSeconds - plain.cpuSeconds;
    const double downloads = plain.cpuSeconds - pages.cpuSeconds;
    std::printf("%d caches (%d with 3 pictures, one of them 12 MP), %.0f MiB transferred\n", caches,
                sample.cachesWithPictures(),
                static_cast<double>(sample.bytesPerFullRun()) / (1 << 20));
    std::printf("full run: %.2f s wall, %.2f s CPU, peak %ld MiB\n", full.wallSeconds,
                full.cpuSeconds, full.peakKiB / 1024);
    std::printf("CPU split: JPEG work %.2f s (%.0f %%), downloads %.2f s, page work %.2f s\n", jpeg,
                100 * jpeg / full.cpuSeconds, downloads, pages.cpuSeconds);
    std::printf("everything but JPEG work: %.2f ms CPU per cache\n",
                1000 * (full.cpuSeconds - jpeg) / caches);
    const bool ok = full.exitCode == 0 && plain.exitCode == 0 && pages.exitCode == 0;
    if (!ok)
        std::printf("a run failed\n");
    return ok ? 0 : 1;
}
