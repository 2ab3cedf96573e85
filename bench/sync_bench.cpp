#include "support/fixture_site.hpp"
#include "support/run_program.hpp"
#include "support/sample_site.hpp"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

// A weekly run over a big, finished spoiler folder: every cache is skipped, nothing is
// downloaded, yet the run still reads the whole waypoint file, answers four wildcard
// questions per cache, checks every page, rewrites nothing, and looks at every file for
// the cleanup. Reports wall time and the peak memory of the pixtrail-cli process.
namespace fs = std::filesystem;
using namespace pixtrail;
using testing::ProgramResult;
using testing::runProgram;

namespace {

ProgramResult runCli(const fs::path& exe, const fs::path& work) {
    return runProgram(
        exe.string(), {"-a"},
        {std::chrono::hours(1), 0, {"XDG_CONFIG_HOME=" + (work / "config").string()}});
}

void write(const fs::path& file, const std::string& content) {
    std::ofstream(file, std::ios::binary) << content;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "Usage: pixtrail-sync-bench PIXTRAIL-CLI CACHES\n");
        return 2;
    }
    const fs::path cli = fs::absolute(argv[1]);
    const int caches = std::stoi(argv[2]);
    const int withSpoilers = caches * 9 / 10;

    const fs::path work =
        fs::temp_directory_path() / ("pixtrail-bench-" + std::to_string(getpid()));
    const fs::path spoilers = work / "spoilers";
    fs::create_directories(spoilers);
    fs::copy_file(cli, work / "pixtrail-cli");

    std::string gpx = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<gpx>\r\n";
    std::string summary;
    for (int i = 0; i < caches; ++i) {
        const std::string c = testing::SampleSite::code(i);
        gpx += "  <wpt lat=\"52.0\" lon=\"5.0\">\r\n    <name>" + c +
               "</name>\r\n    <desc>Cache " + std::to_string(i) + "</desc>\r\n  </wpt>\r\n";
        if (i < withSpoilers) {
            write(spoilers / (c + " - Spoiler.jpg"), "jpeg");
            write(spoilers / (c + " - Spoiler1.jpg"), "jpeg");
        } else {
            summary += c + "\r\n";
        }
    }
    gpx += "</gpx>\r\n";
    write(work / "caches.gpx", gpx);
    write(spoilers / "no spoiler found.txt", summary);

    testing::FixtureSite site;
    site.serve("/", "<html>the site</html>");
    write(work / "pixtrail.ini",
          "[Settings]\r\nWaypointfile=" + (work / "caches.gpx").string() +
              "\r\nSpoilerfolder=" + spoilers.string() +
              "\r\ndelay=0\r\nonlysummary=1\r\ndohtml=1\r\ndelunused=1\r\nrecheck=0\r\n"
              "[Network]\r\ncachehost=" +
              site.host() + "\r\n");

    // The first run writes the pages and the index; the second is the weekly no-change run.
    const ProgramResult first = runCli(work / "pixtrail-cli", work);
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(spoilers))
        ++files;
    const ProgramResult again = runCli(work / "pixtrail-cli", work);
    std::printf("%d caches, %zu files: first run %.2f s (%ld MiB), no-change run %.2f s, "
                "peak %ld MiB%s\n",
                caches, files, first.wallSeconds, first.peakKiB / 1024, again.wallSeconds,
                again.peakKiB / 1024,
                first.exitCode == 0 && again.exitCode == 0 ? "" : " (a run failed)");
    std::error_code ec;
    fs::remove_all(work, ec);
    return first.exitCode == 0 && again.exitCode == 0 ? 0 : 1;
}
