#pragma once

#include "support/fixture_site.hpp"
#include "support/run_program.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace pixtrail::testing {

/// A copy of pixtrail-cli in its own folder (so its settings, logs and traces land there),
/// an empty spoiler folder, and the fixture site answering the connectivity probe.
class CliFolder : public ::testing::Test {
protected:
    TempFolder dir;
    FixtureSite site;
    std::string exe = (dir.path() / "pixtrail-cli").string();

    CliFolder() {
        std::filesystem::copy_file(PIXTRAIL_CLI_PATH, exe);
        std::filesystem::create_directory(dir.path() / "spoilers");
        site.serve("/", "<html>the geocaching site</html>");
    }

    /// A settings file for caches.gpx and the spoiler folder, every host on the site;
    /// `extra` lines go into section Settings, `network` lines into section Network.
    void writeSettings(const std::string& extra, const std::string& network = "",
                       const std::string& folder = "spoilers", std::string host = "") {
        if (host.empty())
            host = site.host();
        dir.write("pixtrail.ini", "[Settings]\r\nWaypointfile=" + dir.file("caches.gpx") +
                                      "\r\nSpoilerfolder=" + dir.file(folder) + "\r\ndelay=0\r\n" +
                                      extra + "[Network]\r\ncachehost=" + host +
                                      "\r\nimagehost1=" + host + "\r\ncdnhost=" + host +
                                      "\r\nhomehost=" + host + "\r\n" + network);
    }

    /// The per-user settings stay in the test's folder, not in the home of whoever runs it.
    RunOptions options(std::chrono::seconds limit = std::chrono::seconds(60)) const {
        return {limit, 0, {"XDG_CONFIG_HOME=" + dir.file("config")}};
    }
    ProgramResult run(const std::vector<std::string>& args) {
        return runProgram(exe, args, options());
    }
};

} // namespace pixtrail::testing
