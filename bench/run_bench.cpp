#include "support/run_program.hpp"
#include "support/sample_pictures.hpp"
#include "support/sample_site.hpp"
#include "support/temp_folder.hpp"

#include "imaging/shrink.hpp"
#include "scrape/curl_fetch.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

// A whole run over 500 caches with three pictures each (one a 12-megapixel photo) from the
// fixture site, delay 0, and the split of its CPU time. The parts are measured on their
// own, with the code the run uses, since the difference of two whole runs is mostly noise:
//   JPEG work  - shrinking the three pictures into the 300 x 300 box, once per cache that
//                has them, on this thread's CPU clock;
//   downloads  - fetching the three pictures through the fetch component, likewise;
//   page work  - a second run with every picture present (re-check on): pages only.
// Their sum is printed beside the whole run's CPU time; on a shared machine the two differ
// by more than storing and bookkeeping cost.
namespace fs = std::filesystem;
using namespace pixtrail;
using testing::ProgramResult;
using testing::runProgram;

namespace {

ProgramResult runCli(const std::string& exe, const std::string& config) {
    return runProgram(exe, {"-a"}, {std::chrono::hours(2), 0, {"XDG_CONFIG_HOME=" + config}});
}

// CPU seconds of this thread for one round of `work`, best of five rounds so that a busy
// moment of the machine does not count.
template <typename Work> double bestCpuSeconds(Work work) {
    auto now = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
    };
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        const double start = now();
        work();
        best = std::min(best, now() - start);
    }
    return best;
}

// Shrinking one cache's pictures into the run's 300 x 300 box.
double shrinkSecondsPerCache(const std::vector<std::string>& pictures) {
    return bestCpuSeconds([&] {
        for (const std::string& jpeg : pictures)
            if (!imaging::shrinkJpegBytes(jpeg, 300, 300))
                std::fprintf(stderr, "a sample picture needed no shrinking\n");
    });
}

// Fetching one cache's pictures; one connection serves them all, as in a run.
double downloadSecondsPerCache(testing::SampleSite& sample) {
    scrape::CurlFetch fetch{scrape::Endpoints{}};
    return bestCpuSeconds([&] {
        for (const auto& picture : sample.pictures()) {
            const std::string url = sample.site().url("/cache/" + picture.name + ".jpg");
            if (fetch.OpenURL(url, scrape::DataType::Bytes).size() != picture.bytes.size())
                std::fprintf(stderr, "a sample picture did not arrive whole\n");
        }
    });
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "Usage: pixtrail-run-bench PIXTRAIL-CLI [CACHES]\n");
        return 2;
    }
    const int caches = argc > 2 ? std::stoi(argv[2]) : 500;
    const std::vector<std::string> pictures = {testing::texturedJpeg(4000, 3000, 1),
                                               testing::texturedJpeg(800, 600, 2),
                                               testing::texturedJpeg(640, 480, 3)};
    testing::SampleSite sample(
        caches, {{"photo", pictures[0]}, {"detail", pictures[1]}, {"map", pictures[2]}});
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
    const ProgramResult pages = variant("shrinkpics=0\r\nrecheck=1\r\n", true);

    const double jpeg = shrinkSecondsPerCache(pictures) * sample.cachesWithPictures();
    const double downloads = downloadSecondsPerCache(sample) * sample.cachesWithPictures();
    std::printf("%d caches (%d with 3 pictures, one of them 12 MP), %.0f MiB transferred\n", caches,
                sample.cachesWithPictures(),
                static_cast<double>(sample.bytesPerFullRun()) / (1 << 20));
    std::printf("full run: %.2f s wall, %.2f s CPU, peak %ld MiB\n", full.wallSeconds,
                full.cpuSeconds, full.peakKiB / 1024);
    std::printf("CPU split, each part on its own: JPEG work %.2f s (%.0f %% of the parts), "
                "downloads %.2f s, page work %.2f s\n",
                jpeg, 100 * jpeg / (jpeg + downloads + pages.cpuSeconds), downloads,
                pages.cpuSeconds);
    std::printf("per cache besides JPEG work: downloads %.2f ms, page work %.2f ms\n",
                1000 * downloads / caches, 1000 * pages.cpuSeconds / caches);
    const bool ok = full.exitCode == 0 && pages.exitCode == 0;
    if (!ok)
        std::printf("a run failed\n");
    return ok ? 0 : 1;
}
