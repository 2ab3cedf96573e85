// The shell's small parts: where files live, the command line, the list of progress lines
// and the workers.
#include "base/files.hpp"
#include "shell/command_line.hpp"
#include "shell/debug_log.hpp"
#include "shell/ordered_workers.hpp"
#include "shell/program_paths.hpp"
#include "shell/progress_list.hpp"
#include "support/recording_frontend.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <sstream>
#include <stdexcept>
#include <thread>

using namespace pixtrail::shell;
using pixtrail::testing::TempFolder;
using Names = std::vector<std::string>;

TEST(ProgramPaths, APortableProgramKeepsItsFilesBesideItselfAnInstalledOnePerUser) {
    TempFolder exe;
    const std::map<std::string, std::string> vars = {
        {"XDG_CONFIG_HOME", "/cfg"},
        {"HOME", "/h"},
        {"APPDATA", "C:\\Users\\Anna\\AppData\\Roaming"},
        {"LOCALAPPDATA", "C:\\Users\\Anna\\AppData\\Local"},
        {"ProgramFiles", "C:\\Program Files"}};
    const EnvironmentLookup env = [&](const char* name) -> std::optional<std::string> {
        const auto it = vars.find(name);
        return it == vars.end() ? std::nullopt : std::optional(it->second);
    };
    const std::string user = pixtrail::base::ansiPath(userConfigFolder(env).value());
    auto inUser = [&](const char* name) { return pixtrail::base::joinPath(user, name); };
    const auto portable = resolveProgramPaths(exe.path(), Placement::Portable, env);
    EXPECT_EQ(portable.settingsFile + portable.languageFile + portable.debugFile +
                  portable.runLogFile,
              exe.file("pixtrail.ini") + exe.file("language.ini") + exe.file("debug.txt") +
                  exe.file("log.txt"));
    EXPECT_EQ(portable.userSettingsFile, inUser("user.ini"));
    const auto elsewhere = resolveProgramPaths(exe.path(), Placement::ReadOnlyFolder, env);
    EXPECT_EQ(elsewhere.settingsFile + " " + elsewhere.runLogFile,
              inUser("pixtrail.ini") + " " + inUser("log.txt"));
    exe.write("pixtrail.ini", "[Settings]\r\n"); // beside a read-only program: still portable
    EXPECT_EQ(resolveProgramPaths(exe.path(), Placement::ReadOnlyFolder, env).settingsFile,
              exe.file("pixtrail.ini"));
    // Installed: per user, whatever lies beside it.
    EXPECT_EQ(resolveProgramPaths(exe.path(), Placement::Installed, env).settingsFile,
              inUser("pixtrail.ini"));
#ifdef _WIN32
    EXPECT_EQ(user, "C:\\Users\\Anna\\AppData\\Roaming\\Pixtrail");
    using Case = std::pair<const char*, bool>;
    for (const auto& [folder, installed] :
         {Case{"C:\\Program Files\\Pixtrail", true}, Case{"c:\\program files\\Pixtrail\\", true},
          Case{"C:\\Program Files (x86)\\Pixtrail", false},
          Case{"C:\\Users\\Anna\\AppData\\Local\\Programs\\Pixtrail", true},
          Case{"C:\\Users\\Anna\\Downloads\\pixtrail", false},
          Case{"C:\\Program Files Old\\Pixtrail", false}})
        EXPECT_EQ(isInstalled(pixtrail::base::nativePath(folder), env), installed) << folder;
#else
    EXPECT_EQ(user, "/cfg/pixtrail");
    std::filesystem::create_directories(exe.path() / "bin");
    std::filesystem::create_directories(exe.path() / "share/metainfo");
    EXPECT_FALSE(isInstalled(exe.path() / "bin", env));
    exe.write("share/metainfo/app.pixtrail.Pixtrail.metainfo.xml", "<component/>");
    EXPECT_TRUE(isInstalled(exe.path() / "bin", env));
#endif
}

TEST(CommandLine, OptionsSettingsFilesAndWaypointFiles) {
    auto outcome = [](const Arguments& a) -> std::string {
        using Action = Arguments::Action;
        if (a.action != Action::Run)
            return a.action == Action::Help      ? "help"
                   : a.action == Action::Version ? "version"
                                                 : "refuse";
        std::string out = std::string(a.commandLine.unattended ? "-a" : "window") + " [" +
                          a.commandLine.settingsFile + "] [" + a.commandLine.remaining + "]";
        for (const SettingOverride& o : a.commandLine.overrides)
            out += " " + o.control + "=" + o.value;
        return out + (a.commandLine.save ? " save" : "");
    };
    auto cli = [](Names args) { return parseArguments(args, OptionSet::CommandLine); };
    // A folder option is made absolute: on Windows the root of the current drive.
    const std::string root = pixtrail::base::ansiPath(std::filesystem::absolute("/"));
    const char sep = pixtrail::base::kPathSeparator;
    const std::pair<Names, std::string> settings[] = {
        {{"--delay", "0", "--no-pages", "--save", "x.gpx"},
         "window [] [x.gpx] txtDelay=0 chkDohtml=0 save"},
        {{"--shrink=640X480", "--only-words", "final,hint"},
         "window [] [] chkResize=1 txtWidth=640 txtHeight=480 chkOnlySpoil=1 "
         "txtOnlyWords=final,hint"},
        {{"--spoiler-folder", "/geo/caf\xC3\xA9/./s", "--garmin", "--keep-unused"},
         "window [] [] txtSpoilerFolder=" + root + "geo" + sep + "caf\xE9" + sep +
             "s chkGarminPhotos=1 chkDelUnused=0"},
        {{"--delay", "1e3"}, "refuse"},
        {{"--shrink", "640x"}, "refuse"},
        {{"--only-words", "\xE6\x97\xA5"}, "refuse"},
        {{"--save", "--delay"}, "refuse"},
    };
    for (const auto& [args, expected] : settings)
        EXPECT_EQ(outcome(cli(args)), expected) << args.front();
    EXPECT_EQ(outcome(parseArguments({"--delay", "0"})), "refuse"); // not the window's
    EXPECT_EQ(optionForSetting("SPOILERFOLDER"), "--spoiler-folder DIR");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"-a"}, "-a [] []"},
        {{"-A", "/home/me/my settings/Pixtrail.INI"}, "-a [/home/me/my settings/Pixtrail.INI] []"},
        // Only a name ending in ".ini" names the settings file.
        {{"/data/caches.ini.gpx"}, "window [] [/data/caches.ini.gpx]"},
        {{"/x/y.gpx", "-a"}, "-a [] [/x/y.gpx]"},
        {{"--", "-odd.gpx"}, "window [] [-odd.gpx]"},
        {{"/geo/caf\xC3\xA9.gpx"}, "window [] [/geo/caf\xE9.gpx]"},
        {{"--help"}, "help"},
        {{"--version"}, "version"},
        // Paths the code page cannot spell (unknown options: tests/e2e).
        {{"/geo/\xE6\x97\xA5.gpx"}, "refuse"},
    };
    for (const auto& [args, expected] : cases)
        EXPECT_EQ(outcome(parseArguments(args)), expected) << args.front();
}

// Stop (on the window's thread) adds its line while the run (on its own) writes the result
// of the cache in progress into the current line: the result must never land on the stop
// line, in the list or in what the window shows.
TEST(ProgressList, TheStopLineIsNeverOverwrittenByTheRunsResult) {
    pixtrail::testing::RecordingFrontend frontend;
    ProgressList list(frontend);
    list.add("Processing GC1A2B3");
    std::atomic<bool> stopped{false};
    std::thread run([&] {
        while (!stopped)
            list.setCurrentLine("GC1A2B3 no spoilers found");
    });
    for (int i = 0; i < 20000; ++i)
        list.addKeepingCurrent("Stopping in progress");
    stopped = true;
    run.join();
    for (const auto& lines : {list.lines(), frontend.lines}) {
        ASSERT_EQ(lines.size(), 20001u);
        for (std::size_t i = 1; i < lines.size(); ++i)
            ASSERT_EQ(lines[i], "Stopping in progress") << i;
    }
}

// Work runs on the workers, at most as many at once as there are; what shows happens on this
// thread in the order given, and the debug trace reads as a serial run's.
TEST(OrderedWorkers, FinishInOrderAndTraceAsASerialRun) {
    TempFolder dir;
    debugLog().setPath(dir.file("debug.txt"));
    debugLog().setEnabled(true);
    for (const int workers : {1, 3}) {
        OrderedWorkers pool(workers);
        std::atomic<int> running{0}, most{0};
        std::string expected = "Pixtrail Debug file start";
        WriteDebug("start", 1);
        for (int i = 0; i < 8; ++i) {
            const std::string n = std::to_string(i);
            WriteDebug("submit " + n);
            auto work = [&, i, n] {
                most = std::max(most.load(), ++running);
                std::this_thread::sleep_for(std::chrono::milliseconds(8 - i)); // end early
                WriteDebug("work " + n);
                --running;
            };
            pool.submit(i % 4 ? work : std::function<void()>(), [n] { WriteDebug("finish " + n); });
            expected += " submit " + n + (i % 4 ? " work " + n : "") + " finish " + n;
            pool.finishReady();
        }
        pool.drain();
        WriteDebug("end");
        std::string trace;
        std::istringstream lines(dir.read("debug.txt"));
        for (std::string line; std::getline(lines, line);) // "hh:mm:ss text\r"
            trace += trace.empty() ? line.substr(0, 19) : " " + line.substr(9, line.size() - 10);
        EXPECT_EQ(trace, expected + " end") << workers;
        EXPECT_LE(most, workers);
        // Jobs that would hold, or works that would take, more memory together than the pool
        // allows wait for each other.
        bool first = false;
        pool.submit([] {}, [&] { first = true; }, kWorkersMemory / 2 + 1);
        pool.submit([] {}, [] {}, kWorkersMemory / 2 + 1);
        EXPECT_TRUE(first) << workers;
        most = 0;
        for (int i = 0; i < 3; ++i)
            pool.submit(
                [&] {
                    most = std::max(most.load(), ++running);
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    --running;
                },
                [] {}, 0, kWorkersMemory / 2 + 1);
        pool.drain();
        EXPECT_EQ(most, 1) << workers;
        // A work that fails: its error comes in place of its finish; the rest can be dropped.
        int finishes = 0;
        EXPECT_THROW(
            {
                pool.submit([] { throw std::runtime_error("broken"); }, [&] { ++finishes; });
                pool.submit(nullptr, [&] { ++finishes; });
                pool.drain();
            },
            std::runtime_error);
        pool.abandon();
        EXPECT_EQ(finishes, 0) << workers;
    }
    debugLog().setEnabled(false);
}
