#include "base/files.hpp"
#include "base/run_error.hpp"
#include "imaging/jpeg_reader.hpp"
#include "support/run_program.hpp"
#include "support/sample_pictures.hpp"
#include "support/sample_site.hpp"
#include "support/temp_folder.hpp"

#include <algorithm>
#include <cstdio>
#include <random>
#include <signal.h>
#include <sys/wait.h>
#include <thread>

// Kills pixtrail-cli with SIGKILL at random moments of repeated runs against a site of
// many caches with big pictures, and checks the spoiler folder after every kill: pictures
// decode, pages are one whole line, the settings and the summary are intact. A last run
// must complete the set. Usage: pixtrail-kill-check PIXTRAIL-CLI CACHES KILLS [SEED]
using namespace pixtrail;

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "Usage: pixtrail-kill-check PIXTRAIL-CLI CACHES KILLS [SEED]\n");
        return 2;
    }
    const int caches = std::stoi(argv[2]), kills = std::stoi(argv[3]);
    std::mt19937 rng(argc > 4 ? std::stoul(argv[4]) : std::random_device{}());
    testing::TempFolder dir;
    const std::string exe = dir.file("pixtrail-cli"), folder = dir.file("spoilers");
    std::filesystem::copy_file(argv[1], exe);
    std::filesystem::create_directory(folder);
    testing::SampleSite sample(caches, {{"big", testing::texturedJpeg(2400, 1800, 1)},
                                        {"small", testing::texturedJpeg(640, 480, 2)}});
    dir.write("caches.gpx", sample.waypointFile());
    dir.write("pixtrail.ini", sample.settings(dir.file("caches.gpx"), folder));

    // Problems found in the folder, one text each.
    const auto check = [&] {
        std::vector<std::string> problems;
        for (const std::string& name : base::listFiles(folder, "*")) {
            if (base::isAtomicWriteTemporary(name))
                continue; // not under a real name; the next run removes it
            const std::string content = dir.read("spoilers/" + name);
            if (name.ends_with(".jpg")) {
                try {
                    imaging::decodeJpeg(content, 8);
                } catch (const base::RunError& e) {
                    problems.push_back(name + ": " + e.description());
                }
            } else if (name.ends_with(".html") &&
                       (!content.starts_with("<html>") || !content.ends_with("</html>\r\n") ||
                        content.find('\n') != content.size() - 1)) {
                problems.push_back(name + ": not one complete line");
            } else if (name == "no spoiler found.txt") {
                for (size_t pos = 0, end = 0; pos < content.size(); pos = end + 2)
                    if ((end = content.find("\r\n", pos)) == std::string::npos ||
                        !std::ranges::count(sample.codes(), content.substr(pos, end - pos))) {
                        problems.push_back(name + ": damaged");
                        break;
                    }
            }
        }
        const std::string ini = dir.read("pixtrail.ini");
        if (ini.find("\r\nSpoilerfolder=") == ini.npos ||
            ini.find("\r\ncachehost=127.") == ini.npos)
            problems.push_back("pixtrail.ini: damaged");
        return problems;
    };

    const auto t0 = std::chrono::steady_clock::now();
    // Kills spread over about the length of a whole run; work kept by earlier runs moves
    // later kills on to the later steps (pages, index, summary, cleanup). The last run is
    // not killed.
    std::uniform_int_distribution<int> moment(20, 20 + caches * 25);
    int survived = 0, corrupt = 0, status = 0;
    for (int k = 0; k <= kills; ++k) {
        const pid_t pid =
            testing::startProgram(exe, {"-a"}, {"XDG_CONFIG_HOME=" + dir.file("config")});
        if (k < kills) {
            std::this_thread::sleep_for(std::chrono::milliseconds(moment(rng)));
            kill(pid, SIGKILL);
        }
        waitpid(pid, &status, 0);
        const auto problems = check();
        corrupt += static_cast<int>(problems.size());
        for (const std::string& p : problems)
            std::printf("after %s %d: %s\n", k < kills ? "kill" : "the last run", k + 1, p.c_str());
        survived += k < kills && problems.empty();
    }
    // Only caches with pictures can have these, and the summary names only the others.
    const int complete =
        static_cast<int>(std::min(base::listFiles(folder, "* - Spoiler big.jpg").size(),
                                  base::listFiles(folder, "* - Spoiler small.jpg").size()));
    const std::string summary = dir.read("spoilers/no spoiler found.txt");
    const int markers = static_cast<int>(std::count(summary.begin(), summary.end(), '\n'));
    const int withPictures = sample.cachesWithPictures();
    const int exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::printf("%d kills survived of %d, %d corrupt files found; last run exit %d, %d of %d "
                "caches with both pictures, %d of %d in the summary (%.1f s)\n",
                survived, kills, corrupt, exit, complete, withPictures, markers,
                caches - withPictures,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    const bool ok = corrupt == 0 && survived == kills && exit == 0 && complete == withPictures &&
                    markers == caches - withPictures;
    return ok ? 0 : 1;
}
