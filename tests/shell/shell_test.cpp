// The shell's small parts: the debug trace, where files live, the command line and the list
// of progress lines.
#include "shell/command_line.hpp"
#include "shell/debug_log.hpp"
#include "shell/program_paths.hpp"
#include "shell/progress_list.hpp"
#include "support/fake_clock.hpp"
#include "support/recording_frontend.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

using namespace pixtrail::shell;
using pixtrail::testing::TempFolder;

TEST(DebugLog, WritesOnlyWhenOnAndStartsAFreshTraceWithItsHeader) {
    TempFolder dir;
    pixtrail::testing::FakeClock clock{{2026, 12, 6, 14, 5, 9}};
    DebugLog log;
    log.setPath(dir.file("debug.txt"));
    dir.write("debug.txt", "an old trace\r\n");
    log.write("Pixtrail v1.0.0", 1);
    EXPECT_EQ(dir.read("debug.txt"), "an old trace\r\n"); // off: never touched
    log.setEnabled(true);
    log.write("Checking", 0);
    log.write("Pixtrail v1.0.37", 1);
    clock.set({2026, 1, 9, 7, 3, 2});
    log.write("two\r\nlines", 0);
    EXPECT_EQ(dir.read("debug.txt"), "Pixtrail Debug file 6 Dec 2026, 14:05:09\r\n"
                                     "14:05:09 Pixtrail v1.0.37\r\n07:03:02 two\r\nlines\r\n");
    log.setPath(dir.file("no-such-folder/debug.txt"));
    EXPECT_FALSE(log.takeFailure());
    log.write("x", 1);
    const auto failure = log.takeFailure();
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->find("No such file"), std::string::npos) << *failure;
    EXPECT_FALSE(log.takeFailure()); // told once
    EXPECT_FALSE(dir.exists("no-such-folder"));
}

TEST(ProgramPaths, APortableProgramKeepsItsFilesBesideItselfAnInstalledOnePerUser) {
    TempFolder exe;
    const std::map<std::string, std::string> vars = {{"XDG_CONFIG_HOME", "/cfg"}, {"HOME", "/h"}};
    const EnvironmentLookup env = [&](const char* name) -> std::optional<std::string> {
        const auto it = vars.find(name);
        return it == vars.end() ? std::nullopt : std::optional(it->second);
    };
    const auto portable = resolveProgramPaths(exe.path(), true, env);
    EXPECT_EQ(portable.settingsFile + portable.languageFile + portable.debugFile +
                  portable.runLogFile,
              exe.file("pixtrail.ini") + exe.file("language.ini") + exe.file("debug.txt") +
                  exe.file("log.txt"));
    EXPECT_EQ(portable.userSettingsFile, "/cfg/pixtrail/user.ini");
    const auto installed = resolveProgramPaths(exe.path(), false, env);
    EXPECT_EQ(installed.settingsFile + " " + installed.runLogFile,
              "/cfg/pixtrail/pixtrail.ini /cfg/pixtrail/log.txt");
    exe.write("pixtrail.ini", "[Settings]\r\n"); // beside a read-only program: still portable
    EXPECT_EQ(resolveProgramPaths(exe.path(), false, env).settingsFile, exe.file("pixtrail.ini"));
}

TEST(CommandLine, OptionsSettingsFilesAndWaypointFiles) {
    auto outcome = [](const Arguments& a) -> std::string {
        switch (a.action) {
        case Arguments::Action::Help:
            return "help";
        case Arguments::Action::Version:
            return "version";
        case Arguments::Action::Refuse:
            return "refuse";
        case Arguments::Action::Run:
            break;
        }
        return std::string(a.commandLine.unattended ? "-a" : "window") + " [" +
               a.commandLine.settingsFile + "] [" + a.commandLine.remaining + "]";
    };
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
        // Anything else that looks like an option, and paths the code page cannot spell.
        {{"-v"}, "refuse"},
        {{"-debug"}, "refuse"},
        {{"-a", "--frobnicate"}, "refuse"},
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
