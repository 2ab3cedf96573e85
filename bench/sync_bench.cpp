#include "support/fixture_site.hpp"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// A weekly run over a big, finished spoiler folder: every cache is skipped, nothing is
// downloaded, yet the run still reads the whole waypoint file, answers four wildcard
// questions per cache, checks every page, rewrites nothing, and looks at every file for
// the cleanup. Reports wall time and the peak memory of the pixtrail-cli process.
namespace fs = std::filesystem;
extern char** environ;

namespace {

struct Measured {
    double seconds = 0;
    long peakKiB = 0;
    int exitCode = -1;
};

Measured runCli(const fs::path& exe) {
    const std::string program = exe.string();
    std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>("-a"),
                               nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    Measured m;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        return m;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.peakKiB = usage.ru_maxrss;
    m.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    posix_spawn_file_actions_destroy(&actions);
    return m;
}

std::string code(int i) {
    static const char digits[] = "0123456789ABCDEFGHJKMNPQRTVWXYZ";
    std::string s = "GC";
    for (int k = 0; k < 5; ++k, i /= 31)
        s += digits[i % 31];
    return s;
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
        const std::string c = code(i);
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

    pixtrail::testing::FixtureSite site;
    site.serve("/", "<html>the site</html>");
    write(work / "pixtrail.ini",
          "[Settings]\r\nWaypointfile=" + (work / "caches.gpx").string() +
              "\r\nSpoilerfolder=" + spoilers.string() +
              "\r\ndelay=0\r\nonlysummary=1\r\ndohtml=1\r\ndelunused=1\r\nrecheck=0\r\n"
              "[Network]\r\ncachehost=" +
              site.host() + "\r\n");

    // The first run writes the pages and the index; the second is the weekly no-change run.
    const Measured first = runCli(work / "pixtrail-cli");
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(spoilers))
        ++files;
    const Measured again = runCli(work / "pixtrail-cli");
    std::printf("%d caches, %zu files: first run %.2f s (%ld MiB), no-change run %.2f s, "
                "peak %ld MiB%s\n",
                caches, files, first.seconds, first.peakKiB / 1024, again.seconds,
                again.peakKiB / 1024,
                first.exitCode == 0 && again.exitCode == 0 ? "" : " (a run failed)");
    std::error_code ec;
    fs::remove_all(work, ec);
    return first.exitCode == 0 && again.exitCode == 0 ? 0 : 1;
}
