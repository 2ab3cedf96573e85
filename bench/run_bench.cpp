#include "support/run_program.hpp"
#include "support/sample_pictures.hpp"
#include "support/sample_site.hpp"
#include "support/temp_folder.hpp"

#include "imaging/shrink.hpp"
#include "scrape/curl_fetch.hpp"

#include <turbojpeg.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

// Whole runs over 500 caches with three pictures each (one a 12-megapixel photo) from the
// fixture site, delay 0, at 1, 2 and 4 workers; the same over a slower network; and runs of
// 24-megapixel progressive JPEGs for the memory they take. Then the split of a serial run's
// CPU time. Its parts are measured on their own, with the code the run uses, since the
// difference of two whole runs is mostly noise:
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

// A run of a copy of pixtrail-cli over the sample caches into an empty folder, with `extra`
// settings; `twice`: the second of two runs.
ProgramResult runOn(const std::string& cli, testing::SampleSite& sample, const std::string& extra,
                    bool twice = false) {
    testing::TempFolder dir;
    const std::string exe = (dir.path() / "pixtrail-cli").string();
    fs::copy_file(cli, exe);
    fs::create_directory(dir.path() / "spoilers");
    dir.write("caches.gpx", sample.waypointFile());
    dir.write("pixtrail.ini", sample.settings(dir.file("caches.gpx"), dir.file("spoilers"), extra));
    const testing::RunOptions options{
        std::chrono::hours(2), 0, {"XDG_CONFIG_HOME=" + dir.file("config")}};
    ProgramResult r = runProgram(exe, {"-a"}, options);
    return twice ? runProgram(exe, {"-a"}, options) : r;
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

// A photographic-looking 24-megapixel progressive JPEG: the decoder keeps all of its
// coefficients at once, the most memory a picture takes.
std::string progressiveJpeg(int seed) {
    const int width = 6000, height = 4000;
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                rgb[(static_cast<size_t>(y) * width + x) * 3 + c] = static_cast<unsigned char>(
                    128 + 80 * std::sin(x * 0.01 * (c + 1) + seed) * std::cos(y * 0.013) +
                    ((unsigned(x) * 2654435761u ^ unsigned(y + seed) * 2246822519u) >> 28));
    tjhandle tj = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    tjCompress2(tj, rgb.data(), width, 0, height, TJPF_RGB, &out, &size, TJSAMP_420, 90,
                TJFLAG_PROGRESSIVE);
    std::string jpeg(reinterpret_cast<char*>(out), size);
    tjFree(out);
    tjDestroy(tj);
    return jpeg;
}

// Whole runs over the same caches at 1, 2 and 4 workers: wall time as a share of the
// 1-worker run's, and peak memory.
bool compareWorkers(const char* title, const std::string& exe, testing::SampleSite& sample) {
    std::printf("\n%s\n| workers | wall | ratio to 1 worker | CPU | peak memory |\n"
                "|---|---|---|---|---|\n",
                title);
    double serial = 0;
    bool ok = true;
    for (const int workers : {1, 2, 4}) {
        const ProgramResult r = runOn(exe, sample, "workers=" + std::to_string(workers) + "\r\n");
        serial = workers == 1 ? r.wallSeconds : serial;
        std::printf("| %d | %.2f s | %.2f | %.2f s | %ld MiB |\n", workers, r.wallSeconds,
                    r.wallSeconds / serial, r.cpuSeconds, r.peakKiB / 1024);
        std::fflush(stdout);
        ok = ok && r.exitCode == 0;
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "Usage: pixtrail-run-bench PIXTRAIL-CLI [CACHES]\n");
        return 2;
    }
    const std::string exe = argv[1];
    const int caches = argc > 2 ? std::stoi(argv[2]) : 500;
    const std::vector<std::string> pictures = {testing::texturedJpeg(4000, 3000, 1),
                                               testing::texturedJpeg(800, 600, 2),
                                               testing::texturedJpeg(640, 480, 3)};
    testing::SampleSite sample(
        caches, {{"photo", pictures[0]}, {"detail", pictures[1]}, {"map", pictures[2]}});
    std::printf("%d caches (%d with 3 pictures, one of them 12 MP), %.0f MiB transferred\n", caches,
                sample.cachesWithPictures(),
                static_cast<double>(sample.bytesPerFullRun()) / (1 << 20));
    bool ok = compareWorkers("On loopback, as fast as it goes:", exe, sample);

    // The split of a serial run's CPU time, each part measured on its own.
    const ProgramResult pages = runOn(exe, sample, "shrinkpics=0\r\nrecheck=1\r\n", true);
    const double jpeg = shrinkSecondsPerCache(pictures) * sample.cachesWithPictures();
    const double downloads = downloadSecondsPerCache(sample) * sample.cachesWithPictures();
    std::printf("\nCPU split, each part on its own: JPEG work %.2f s (%.0f %% of the parts), "
                "downloads %.2f s, page work %.2f s\n",
                jpeg, 100 * jpeg / (jpeg + downloads + pages.cpuSeconds), downloads,
                pages.cpuSeconds);
    ok = ok && pages.exitCode == 0;

    // A network of today: the shrinking should disappear behind the transfers.
    testing::SampleSite slow(
        caches / 5, {{"photo", pictures[0]}, {"detail", pictures[1]}, {"map", pictures[2]}});
    slow.site().setNetwork(std::chrono::milliseconds(50), 20e6);
    ok = compareWorkers(("Over a network of 50 ms a request and 20 MB/s, " +
                         std::to_string(caches / 5) + " caches:")
                            .c_str(),
                        exe, slow) &&
         ok;

    // The most memory pictures take: 24-megapixel progressive JPEGs.
    testing::SampleSite big(
        20, {{"a", progressiveJpeg(1)}, {"b", progressiveJpeg(2)}, {"c", progressiveJpeg(3)}});
    ok = compareWorkers("20 caches of three 24-megapixel progressive JPEGs:", exe, big) && ok;
    if (!ok)
        std::printf("a run failed\n");
    return ok ? 0 : 1;
}
