#include "base/files.hpp"
#include "shell/application.hpp"
#include "shell/command_line.hpp"
#include "shell/startup.hpp"
#include "support/fake_fetch.hpp"
#include "support/recording_frontend.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

using namespace pixtrail::shell;
using pixtrail::testing::FakeFetch;
using pixtrail::testing::RecordingFrontend;
using pixtrail::testing::TempFolder;

TEST(CommandLineTest, OptionsSettingsFilesAndWaypointFiles) {
    using Action = Arguments::Action;
    struct Case {
        std::vector<std::string> args;
        Action action;
        bool unattended;
        std::string settingsFile;
        std::string remaining;
    };
    const Case cases[] = {
        {{"-a"}, Action::Run, true, "", ""},
        {{"-A", "/home/me/my settings/Pixtrail.INI"},
         Action::Run,
         true,
         "/home/me/my settings/Pixtrail.INI",
         ""},
        // Only a name ending in ".ini" names the settings file.
        {{"/data/caches.ini.gpx"}, Action::Run, false, "", "/data/caches.ini.gpx"},
        {{"trip.ini-backup.gpx"}, Action::Run, false, "", "trip.ini-backup.gpx"},
        {{"/home/me/my-apps/geo-archive.gpx"},
         Action::Run,
         false,
         "",
         "/home/me/my-apps/geo-archive.gpx"},
        {{"/x/y.gpx", "-a"}, Action::Run, true, "", "/x/y.gpx"},
        {{"--", "-odd.gpx"}, Action::Run, false, "", "-odd.gpx"},
        {{"/geo/caf\xC3\xA9.gpx"}, Action::Run, false, "", "/geo/caf\xE9.gpx"},
        {{"--help"}, Action::Help, false, "", ""},
        {{"--version"}, Action::Version, false, "", ""},
        // Anything else that looks like an option, and paths the code page cannot spell.
        {{"-v"}, Action::Refuse, false, "", ""},
        {{"-?"}, Action::Refuse, false, "", ""},
        {{"-debug"}, Action::Refuse, false, "", ""},
        {{"-a", "--frobnicate"}, Action::Refuse, true, "", ""},
        {{"/geo/\xE6\x97\xA5.gpx"}, Action::Refuse, false, "", ""},
    };
    for (const Case& c : cases) {
        const Arguments a = parseArguments(c.args);
        const std::string name = c.args.front() + (c.args.size() > 1 ? " " + c.args[1] : "");
        EXPECT_EQ(a.action, c.action) << name;
        if (c.action != Action::Run)
            continue;
        EXPECT_EQ(a.commandLine.unattended, c.unattended) << name;
        EXPECT_EQ(a.commandLine.settingsFile, c.settingsFile) << name;
        EXPECT_EQ(a.commandLine.remaining, c.remaining) << name;
    }
}

namespace {
CommandLine args(const std::vector<std::string>& arguments) {
    return parseArguments(arguments).commandLine;
}

struct StartedApp {
    TempFolder dir;
    RecordingFrontend frontend;
    Application app{frontend,
                    {pixtrail::base::ansiPath(dir.path()), dir.file("pixtrail.ini"),
                     dir.file("language.ini"), dir.file("debug.txt"), dir.file("log.txt")},
                    [](const auto&) { return std::make_unique<FakeFetch>(); }};
};
} // namespace

TEST(FormLoadTest, AWaypointFileArgumentShowsInTxtcmdAndRunsAtOnce) {
    StartedApp s;
    s.dir.write("pixtrail.ini", "[Settings]\r\nWaypointfile=/saved.gpx\r\nshrinkpics=0\r\n"
                                "[Network]\r\nhomehost=www.example.test:81\r\n");
    const StartupPlan plan = Form_Load(s.app, args({"/home/me/geo caches/week.gpx"}));
    EXPECT_TRUE(plan.runNow);
    EXPECT_FALSE(plan.endAfterRun);
    EXPECT_EQ(s.app.window.control("txtcmd").text, "/home/me/geo caches/week.gpx");
    EXPECT_TRUE(s.app.window.control("txtcmd").visible);
    EXPECT_FALSE(s.app.window.control("txtcmd").enabled);
    EXPECT_FALSE(s.app.window.control("cmdWaypointopen").enabled);
    EXPECT_EQ(s.app.window.control("txtWpFile").text, "/saved.gpx");
    EXPECT_FALSE(s.app.window.control("txtWidth").enabled); // settings loaded with interlocks
    EXPECT_EQ(s.app.window.control("Label2").caption, "www.example.test:81/pixtrail");
    EXPECT_EQ(s.app.endpoints.updateFeedAddress(), "http://www.example.test:81/pixtrail/index.htm");
}

TEST(FormLoadTest, ShortArgumentsSettingsFilesAndUnattendedRuns) {
    StartedApp s;
    EXPECT_EQ(Form_Load(s.app, args({})).runNow, false);

    StartedApp shortArg;
    const StartupPlan p = Form_Load(shortArg.app, args({"x"}));
    EXPECT_TRUE(p.runNow); // runs with the saved waypoint file
    EXPECT_FALSE(shortArg.app.window.control("txtcmd").visible);

    StartedApp settings;
    settings.dir.write("other.ini", "[Settings]\r\ndelay=42\r\n");
    const StartupPlan ps = Form_Load(settings.app, args({settings.dir.file("other.ini")}));
    EXPECT_FALSE(ps.runNow); // only selects the settings file
    EXPECT_EQ(settings.app.paths.settingsFile, settings.dir.file("other.ini"));
    EXPECT_EQ(settings.app.window.control("txtDelay").text, "42");

    StartedApp unattended;
    const StartupPlan pu = Form_Load(unattended.app, args({"-a"}));
    EXPECT_TRUE(pu.runNow);
    EXPECT_TRUE(pu.endAfterRun);
    EXPECT_TRUE(unattended.app.unattended);
}

TEST(FormLoadTest, TheWindowIsTranslatedBeforeSettingsLoad) {
    StartedApp s;
    s.dir.write("language.ini", "[Pixtrail]\r\nSTAR5TART=Beginnen\r\n");
    Form_Load(s.app, args({}));
    EXPECT_EQ(s.app.window.control("cmdSync").caption, "Beginnen");
    EXPECT_EQ(s.app.tr("Processing %s", "GC1"), "Processing GC1");
    EXPECT_NE(s.dir.read("language.ini").find("Processing %s"), std::string::npos);
}
