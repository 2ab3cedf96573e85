#include "app/startup.hpp"
#include "base/files.hpp"
#include "support/fake_fetch.hpp"
#include "support/recording_frontend.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

using namespace pixtrail;

// A settings file named on the command line is only selected; the window shows its hosts,
// and the folder is cleared of what an interrupted write left.
TEST(FormLoad, ASettingsFileOnTheCommandLineIsLoadedNotRun) {
    pixtrail::testing::TempFolder dir;
    pixtrail::testing::RecordingFrontend frontend;
    app::Application app{
        frontend,
        {base::ansiPath(dir.path()), dir.file("pixtrail.ini"), dir.file("language.ini"),
         dir.file("debug.txt"), dir.file("log.txt")},
        [](const auto&) { return std::make_unique<pixtrail::testing::FakeFetch>(); }};
    dir.write("other.ini", "[Settings]\r\nWaypointfile=/saved.gpx\r\n"
                           "[Network]\r\nhomehost=www.example.test:81\r\n");
    dir.write(".pixtrail-abc123.tmp", "half");
    EXPECT_FALSE(
        app::Form_Load(app, shell::parseArguments({dir.file("other.ini")}).commandLine).runNow);
    const shell::MainWindowModel& w = app.session.window;
    EXPECT_EQ(w.control("txtWpFile").text + " " + w.control("Label2").caption,
              "/saved.gpx www.example.test:81/pixtrail");
    EXPECT_FALSE(dir.exists(".pixtrail-abc123.tmp"));
}
