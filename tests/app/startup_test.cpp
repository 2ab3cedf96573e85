#include "app/startup.hpp"
#include "base/files.hpp"
#include "support/fake_fetch.hpp"
#include "support/recording_frontend.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

using namespace pixtrail;

namespace {
struct StartedApp {
    pixtrail::testing::TempFolder dir;
    pixtrail::testing::RecordingFrontend frontend;
    app::Application app{
        frontend,
        {base::ansiPath(dir.path()), dir.file("pixtrail.ini"), dir.file("language.ini"),
         dir.file("debug.txt"), dir.file("log.txt")},
        [](const auto&) { return std::make_unique<pixtrail::testing::FakeFetch>(); }};

    app::StartupPlan start(const std::vector<std::string>& arguments) {
        return app::Form_Load(app, shell::parseArguments(arguments).commandLine);
    }
    const shell::Control& control(const char* name) { return app.session.window.control(name); }
};
} // namespace

TEST(FormLoad, AWaypointFileOrAnUnattendedRunStartsAtOnce) {
    // arguments; then whether to run now and end after it, and the waypoint file txtcmd shows
    using Case = std::tuple<std::vector<std::string>, bool, bool, std::string>;
    for (const auto& [arguments, runNow, endAfterRun, shown] :
         {Case{{}, false, false, ""}, Case{{"abcd"}, true, false, ""}, // short: the saved file
          Case{{"\"/geo", "caches/a.gpx\""}, true, false, "/geo caches/a.gpx"},
          Case{{"-a"}, true, true, ""}}) {
        StartedApp s;
        const app::StartupPlan plan = s.start(arguments);
        EXPECT_EQ(
            std::tuple(plan.runNow, plan.endAfterRun, s.app.session.unattended,
                       s.control("txtcmd").visible, s.control("txtcmd").text,
                       s.control("cmdWaypointopen").enabled),
            std::tuple(runNow, endAfterRun, endAfterRun, !shown.empty(), shown, shown.empty()))
            << shown;
    }
}

TEST(FormLoad, TheWindowIsTranslatedAndLoadsTheSettingsTheCommandLineNames) {
    StartedApp s;
    s.dir.write("language.ini", "[Pixtrail]\r\nSTAR5TART=Beginnen\r\n");
    s.dir.write("other.ini", "[Settings]\r\nWaypointfile=/saved.gpx\r\nshrinkpics=0\r\n"
                             "[Network]\r\nhomehost=www.example.test:81\r\n");
    s.dir.write(".pixtrail-abc123.tmp", "half");             // left behind by an interrupted write
    EXPECT_FALSE(s.start({s.dir.file("other.ini")}).runNow); // only selects the settings file
    EXPECT_EQ(s.app.paths.settingsFile, s.dir.file("other.ini"));
    EXPECT_EQ(s.control("txtWpFile").text, "/saved.gpx");
    EXPECT_FALSE(s.control("txtWidth").enabled); // loaded with the interlocks of the controls
    EXPECT_EQ(s.control("Label2").caption, "www.example.test:81/pixtrail");
    EXPECT_EQ(s.app.endpoints.updateFeedAddress(), "http://www.example.test:81/pixtrail/index.htm");
    EXPECT_FALSE(s.dir.exists(".pixtrail-abc123.tmp"));
    EXPECT_EQ(s.control("cmdSync").caption, "Beginnen");
    EXPECT_EQ(s.app.session.tr("Processing %s", "GC1"), "Processing GC1");
}
