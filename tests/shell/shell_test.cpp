// The shell's small parts: the debug trace, where files live, the command line and the list
// of progress lines.
#include "shell/command_line.hpp"
#include "shell/debug_log.hpp"
#include "shell/program_paths.hpp"
#include "shell/progress_list.hpp"
#include "support/recording_frontend.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <thread>

using namespace pixtrail::shell;
using pixtrail::testing::TempFolder;
using Names = std::vector<std::string>;

// The trace's lines and header are checked with a whole run's trace (tests/sync); here what
// no run shows: a trace that is off, and one that cannot be written.
TEST(DebugLog, WritesOnlyWhenOnAndSaysOnceWhyItCannot) {
    TempFolder dir;
    DebugLog log;
    log.setPath(dir.file("debug.txt"));
    dir.write("debug.txt", "an old trace\r\n");
    log.write("Pixtrail v1.0.0", 1);
    EXPECT_EQ(dir.read("debug.txt"), "an old trace\r\n");
    log.setEnabled(true);
    log.setPath(dir.file("no-such-folder/debug.txt"));
    log.write("x", 1);
    const auto failure = log.takeFailure();
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->find("No such file"), std::string::npos) << *failure;
    EXPECT_FALSE(log.takeFailure()); // told once
}

TEST(ProgramPaths, APortableProgramKeepsItsFilesBesideItselfAnInstalledOnePerUser) {
    TempFolder exe;
    const std::map<std::string, std::string> vars = {{"XDG_CONFIG_HOME", "/cfg"}, {"HOME", "/h"}};
    const EnvironmentLookup env = [&](const char* name) -> std::optional<std::string> {
        const auto it = vars.find(name);
        return it == vars.end() ? std::nullopt : std::optional(it->second);
    };
    const auto portable = resolveProgramPaths(exe.path(), Placement::Portable, env);
    EXPECT_EQ(portable.settingsFile + portable.languageFile + portable.debugFile +
                  portable.runLogFile,
              exe.file("pixtrail.ini") + exe.file("language.ini") + exe.file("debug.txt") +
                  exe.file("log.txt"));
    EXPECT_EQ(portable.userSettingsFile, "/cfg/pixtrail/user.ini");
    const auto elsewhere = resolveProgramPaths(exe.path(), Placement::ReadOnlyFolder, env);
    EXPECT_EQ(elsewhere.settingsFile + " " + elsewhere.runLogFile,
              "/cfg/pixtrail/pixtrail.ini /cfg/pixtrail/log.txt");
    exe.write("pixtrail.ini", "[Settings]\r\n"); // beside a read-only program: still portable
    EXPECT_EQ(resolveProgramPaths(exe.path(), Placement::ReadOnlyFolder, env).settingsFile,
              exe.file("pixtrail.ini"));
    // Installed: per user, whatever lies beside it.
    EXPECT_EQ(resolveProgramPaths(exe.path(), Placement::Installed, env).settingsFile,
              "/cfg/pixtrail/pixtrail.ini");
    std::filesystem::create_directories(exe.path() / "bin");
    std::filesystem::create_directories(exe.path() / "share/metainfo");
    EXPECT_FALSE(isInstalled(exe.path() / "bin"));
    exe.write("share/metainfo/app.pixtrail.Pixtrail.metainfo.xml", "<component/>");
    EXPECT_TRUE(isInstalled(exe.path() / "bin"));
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
        std::string out = std::string(a.commandLine.unattended ? "-a" : "window") + " [" +
                          a.commandLine.settingsFile + "] [" + a.commandLine.remaining + "]";
        for (const SettingOverride& o : a.commandLine.overrides)
            out += " " + o.control + "=" + o.value;
        return out + (a.commandLine.save ? " save" : "");
    };
    auto cli = [](Names args) { return parseArguments(args, OptionSet::CommandLine); };
    const std::pair<Names, std::string> settings[] = {
        {{"--delay", "0", "--no-pages", "--save", "x.gpx"},
         "window [] [x.gpx] txtDelay=0 chkDohtml=0 save"},
        {{"--shrink=640X480", "--only-words", "final,hint"},
         "window [] [] chkResize=1 txtWidth=640 txtHeight=480 chkOnlySpoil=1 "
         "txtOnlyWords=final,hint"},
        {{"--spoiler-folder", "/geo/caf\xC3\xA9/./s", "--garmin", "--keep-unused"},
         "window [] [] txtSpoilerFolder=/geo/caf\xE9/s chkGarminPhotos=1 chkDelUnused=0"},
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
