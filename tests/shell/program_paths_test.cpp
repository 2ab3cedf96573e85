#include "shell/program_paths.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <map>

using namespace pixtrail::shell;
using pixtrail::testing::TempFolder;

namespace {
EnvironmentLookup fakeEnv(std::map<std::string, std::string> vars) {
    return [vars](const char* name) -> std::optional<std::string> {
        auto it = vars.find(name);
        if (it == vars.end())
            return std::nullopt;
        return it->second;
    };
}
} // namespace

TEST(ProgramPaths, ThePortableProgramKeepsItsFilesBesideItself) {
    TempFolder exe;
    const auto p = resolveProgramPaths(exe.path(), true, fakeEnv({{"HOME", "/home/u"}}));
    EXPECT_EQ(p.folder, exe.path().string());
    EXPECT_EQ(p.settingsFile, exe.file("pixtrail.ini"));
    EXPECT_EQ(p.languageFile, exe.file("language.ini"));
    EXPECT_EQ(p.debugFile, exe.file("debug.txt"));
    EXPECT_EQ(p.runLogFile, exe.file("log.txt"));
    EXPECT_EQ(p.userSettingsFile, "/home/u/.config/pixtrail/user.ini"); // always per user
}

TEST(ProgramPaths, AnInstalledProgramUsesThePerUserFolder) {
    TempFolder exe;
    const auto xdg = resolveProgramPaths(exe.path(), false,
                                         fakeEnv({{"XDG_CONFIG_HOME", "/cfg"}, {"HOME", "/h"}}));
    EXPECT_EQ(xdg.settingsFile, "/cfg/pixtrail/pixtrail.ini");
    EXPECT_EQ(xdg.runLogFile, "/cfg/pixtrail/log.txt");
    const auto home =
        resolveProgramPaths(exe.path(), false, fakeEnv({{"XDG_CONFIG_HOME", ""}, {"HOME", "/h"}}));
    EXPECT_EQ(home.debugFile, "/h/.config/pixtrail/debug.txt");

    // A settings file beside a read-only program still makes it a portable one.
    exe.write("pixtrail.ini", "[Settings]\r\n");
    const auto portable = resolveProgramPaths(exe.path(), false, fakeEnv({{"HOME", "/h"}}));
    EXPECT_EQ(portable.settingsFile, exe.file("pixtrail.ini"));
}
