#include "shell/command_line.hpp"

#include <gtest/gtest.h>

using namespace pixtrail::shell;

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
