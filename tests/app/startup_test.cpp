#include "app/startup.hpp"
#include "base/files.hpp"
#include "shell/command_line.hpp"
#include "support/fake_fetch.hpp"
#include "support/recording_frontend.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

using namespace pixtrail::app;
using pixtrail::shell::CommandLine;
using pixtrail::shell::parseArguments;
using pixtrail::testing::FakeFetch;
using pixtrail::testing::RecordingFrontend;
using pixtrail::testing::TempFolder;

namespace {
CommandLine args(const std::vector<std::string>& arguments) {
    return parseArguments(arguments).commandLine;
}

struct StartedApp {
    TempFolder dir;
    RecordingFrontend frontend;
    pixtrail::app::Application app{frontend,
                                   {pixtrail::base::ansiPath(dir.path()), dir.file("pixtrail.ini"),
                                    dir.file("language.ini"), dir.file("debug.txt"),
                                    dir.file("log.txt")},
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
    EXPECT_EQ(s.app.session.window.control("txtcmd").text, "/home/me/geo caches/week.gpx");
    EXPECT_TRUE(s.app.session.window.control("txtcmd").visible);
    EXPECT_FALSE(s.app.session.window.control("txtcmd").enabled);
    EXPECT_FALSE(s.app.session.window.control("cmdWaypointopen").enabled);
    EXPECT_EQ(s.app.session.window.control("txtWpFile").text, "/saved.gpx");
    EXPECT_FALSE(
        s.app.session.window.control("txtWidth").enabled); // settings loaded with interlocks
    EXPECT_EQ(s.app.session.window.control("Label2").caption, "www.example.test:81/pixtrail");
    EXPECT_EQ(s.app.endpoints.updateFeedAddress(), "http://www.example.test:81/pixtrail/index.htm");
}

TEST(FormLoadTest, ShortArgumentsSettingsFilesAndUnattendedRuns) {
    StartedApp s;
    EXPECT_EQ(Form_Load(s.app, args({})).runNow, false);

    StartedApp shortArg;
    const StartupPlan p = Form_Load(shortArg.app, args({"x"}));
    EXPECT_TRUE(p.runNow); // runs with the saved waypoint file
    EXPECT_FALSE(shortArg.app.session.window.control("txtcmd").visible);

    StartedApp settings;
    settings.dir.write("other.ini", "[Settings]\r\ndelay=42\r\n");
    const StartupPlan ps = Form_Load(settings.app, args({settings.dir.file("other.ini")}));
    EXPECT_FALSE(ps.runNow); // only selects the settings file
    EXPECT_EQ(settings.app.paths.settingsFile, settings.dir.file("other.ini"));
    EXPECT_EQ(settings.app.session.window.control("txtDelay").text, "42");

    StartedApp unattended;
    const StartupPlan pu = Form_Load(unattended.app, args({"-a"}));
    EXPECT_TRUE(pu.runNow);
    EXPECT_TRUE(pu.endAfterRun);
    EXPECT_TRUE(unattended.app.session.unattended);
}

TEST(FormLoadTest, TheWindowIsTranslatedBeforeSettingsLoad) {
    StartedApp s;
    s.dir.write("language.ini", "[Pixtrail]\r\nSTAR5TART=Beginnen\r\n");
    Form_Load(s.app, args({}));
    EXPECT_EQ(s.app.session.window.control("cmdSync").caption, "Beginnen");
    EXPECT_EQ(s.app.session.tr("Processing %s", "GC1"), "Processing GC1");
    EXPECT_NE(s.dir.read("language.ini").find("Processing %s"), std::string::npos);
}
