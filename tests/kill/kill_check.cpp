#include "base/files.hpp"
#include "base/run_error.hpp"
#include "base/text.hpp"
#include "imaging/jpeg_reader.hpp"
#include "shell/ini_file.hpp"
#include "support/run_program.hpp"
#include "support/sample_pictures.hpp"
#include "support/sample_site.hpp"
#include "support/temp_folder.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <set>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

// Kills pixtrail-cli with SIGKILL at random moments of repeated runs against a site of
// many caches with big pictures, and checks the spoiler folder after every kill: pictures
// decode, pages are one whole line, the settings and the summary are intact. A last run
// must complete the set. Usage: pixtrail-kill-check PIXTRAIL-CLI CACHES KILLS [SEED]
namespace fs = std::filesystem;
using namespace pixtrail;

namespace {

pid_t start(const std::string& exe, const std::string& config) {
    return testing::startProgram(exe, {"-a"}, {"XDG_CONFIG_HOME=" + config});
}

// Problems found in the folder, one text each.
std::vector<std::string> check(const testing::TempFolder& dir, const std::set<std::string>& codes) {
    std::vector<std::string> problems;
    const std::string folder = dir.file("spoilers");
    for (const std::string& name : base::listFiles(folder, "*")) {
        if (base::isAtomicWriteTemporary(name))
            continue; // not under a real name; the next run removes it
        const std::string content = dir.read("spoilers/" + name);
        if (base::endsWithNoCase(name, ".jpg")) {
            try {
                imaging::decodeJpeg(content, 8);
            } catch (const base::RunError& e) {
                problems.push_back(name + ": " + e.description());
            }
        } else if (base::endsWithNoCase(name, ".html")) {
            if (content.size() < 2 || content.substr(content.size() - 2) != "\r\n" ||
                content.find('\n') != content.size() - 1 || content.rfind("<html>", 0) != 0 ||
                content.find("</html>") == std::string::npos)
                problems.push_back(name + ": not one complete line");
        } else if (name == "no spoiler found.txt") {
            size_t pos = 0;
            while (pos < content.size()) {
                const size_t end = content.find("\r\n", pos);
                if (end == std::string::npos || !codes.count(content.substr(pos, end - pos))) {
                    problems.push_back(name + ": damaged");
                    break;
                }
                pos = end + 2;
            }
        }
    }
    const std::string ini = dir.read("pixtrail.ini");
    if (shell::readIniValue(dir.file("pixtrail.ini"), "Network", "cachehost", "").empty() ||
        ini.find("Spoilerfolder=") == std::string::npos)
        problems.push_back("pixtrail.ini: damaged");
    return problems;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "Usage: pixtrail-kill-check PIXTRAIL-CLI CACHES KILLS [SEED]\n");
        return 2;
    }
    const int caches = std::stoi(argv[2]);
    const int kills = std::stoi(argv[3]);
    std::mt19937 rng(argc > 4 ? static_cast<unsigned>(std::stoul(argv[4]))
                              : std::random_device{}());

    testing::TempFolder dir;
    const std::string exe = (dir.path() / "pixtrail-cli").string();
    fs::copy_file(argv[1], exe);
    fs::create_directory(dir.path() / "spoilers");

    testing::SampleSite sample(caches, {{"big", testing::texturedJpeg(2400, 1800, 1)},
                                        {"small", testing::texturedJpeg(640, 480, 2)}});
    const std::set<std::string> codes(sample.codes().begin(), sample.codes().end());
    const int withPictures = sample.cachesWithPictures();
    dir.write("caches.gpx", sample.waypointFile());
    dir.write("pixtrail.ini", sample.settings(dir.file("caches.gpx"), dir.file("spoilers")));

    const auto t0 = std::chrono::steady_clock::now();
    int survived = 0, corrupt = 0;
    // Kills spread over about the length of a whole run; work kept by earlier runs moves
    // later kills on to the later steps (pages, index, summary, cleanup).
    std::uniform_int_distribution<int> moment(20, 20 + caches * 25);
    for (int k = 0; k < kills; ++k) {
        const pid_t pid = start(exe, dir.file("config"));
        std::this_thread::sleep_for(std::chrono::milliseconds(moment(rng)));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        const auto problems = check(dir, codes);
        corrupt += static_cast<int>(problems.size());
        for (const std::string& p : problems)
            std::printf("after kill %d: %s\n", k + 1, p.c_str());
        if (problems.empty())
            ++survived;
    }
    // Finish the set.
    const pid_t pid = start(exe, dir.file("config"));
    int status = 0;
    waitpid(pid, &status, 0);
    const auto problems = check(dir, codes);
    corrupt += static_cast<int>(problems.size());
    int complete = 0;
    for (int i = 0; i < caches; ++i) {
        const std::string& c = sample.codes()[static_cast<size_t>(i)];
        if (i % 10 == 9)
            continue;
        if (dir.exists("spoilers/" + c + " - Spoiler big.jpg") &&
            dir.exists("spoilers/" + c + " - Spoiler small.jpg"))
            ++complete;
        else
            std::printf("incomplete: %s\n", c.c_str());
    }
    const std::string summary = dir.read("spoilers/no spoiler found.txt");
    const int markers = static_cast<int>(std::count(summary.begin(), summary.end(), '\n'));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%d kills survived of %d, %d corrupt files found; last run exit %d, %d of %d "
                "caches with both pictures, %d of %d in the summary (%.1f s)\n",
                survived, kills, corrupt, WIFEXITED(status) ? WEXITSTATUS(status) : -1, complete,
                withPictures, markers, caches - withPictures, seconds);
    const bool ok = corrupt == 0 && survived == kills && complete == withPictures &&
                    markers == caches - withPictures && WIFEXITED(status) &&
                    WEXITSTATUS(status) == 0;
    return ok ? 0 : 1;
}
