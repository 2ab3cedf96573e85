#include "base/text.hpp"
#include "e2e/cli_folder.hpp"

#include <regex>
#include <sstream>

using namespace pixtrail::testing;

// Caches done by earlier runs are in the folder: runs of these need no cache page.
class Cli : public CliFolder {
protected:
    void SetUp() override {
        dir.write("spoilers/GC1A2B3 - no spoiler found.txt", "");
        dir.write("spoilers/GC22222 - Spoiler 1.jpg", "jpeg");
        dir.write("caches.gpx",
                  "<wpt><name>GC1A2B3</name></wpt>\r\n<wpt><name>GC22222</name></wpt>\r\n");
        writeSettings("delunused=0\r\n");
    }
};

// A refused command line starts nothing: no settings saved, no log written.
TEST_F(Cli, CommandLinesItCannotUseEndWithStatus2AndTouchNothing) {
    fs::create_directory(dir.path() / "folder.ini");
    const Files untouched = {{"pixtrail.ini", dir.read("pixtrail.ini")}, {"log.txt", "-"}};
    const std::string usage = "\nUsage: pixtrail-cli [OPTION]... [SETTINGS.ini | *";
    std::vector<std::pair<Names, std::string>> cases = {
        {{"-a", dir.path().string() + "/\xE6\x97\xA5\xE6\x9C\xAC.gpx"}, // no code page spells it
         "pixtrail-cli: '*' holds characters Pixtrail cannot use in a path" + usage},
        {{"-a", dir.file("missing.ini")},
         "pixtrail-cli: cannot read the settings file *missing.ini: No such file or directory\n"},
        {{dir.file("folder.ini")},
         "pixtrail-cli: cannot read the settings file *folder.ini: Is a directory\n"}};
    for (const std::string option : {"-v", "-x", "-?", "-help", "-debug", "--frobnicate"})
        cases.push_back({{option}, "pixtrail-cli: unknown option '" + option + "'" + usage});
    // A setting the window would not take.
    for (const auto& [args, problem] : std::vector<std::pair<Names, std::string>>{
             {{"--delay", "ten"}, "--delay takes a whole number of seconds, not 'ten'"},
             {{"--delay=-1"}, "--delay takes a whole number of seconds, not '-1'"},
             {{"--shrink", "300"},
              "--shrink takes WIDTHxHEIGHT in pixels, such as 300x300, not "
              "'300'"},
             {{"--shrink=12345x10"}, "--shrink takes WIDTHxHEIGHT*"},
             {{"--no-pages=1"}, "--no-pages takes no value"},
             {{"-a", "--spoiler-folder"}, "--spoiler-folder needs a DIR"}})
        cases.push_back({args, "pixtrail-cli: " + problem + usage});
    for (const auto& [args, err] : cases)
        run(args.back(), args, 2, "", untouched, err);
}

TEST_F(Cli, RunsSayWhatTheyDidAndKeepTheSettingsTheyRead) {
    run("unattended", {"-a"}, 0, "GC1A2B3 no spoilers found\nGC22222 spoilers already downloaded\n",
        {{"log.txt", "*\r\nStarted: *\r\nGC1A2B3 no spoilers found\r\n"
                     "GC22222 spoilers already downloaded\r\nFinished: *"}, // no totals
         {"debug.txt", "-"}});

    // Attended and traced, with a waypoint file named on the command line: it is used, not
    // saved, and ".ini" inside its name does not make it a settings file.
    dir.write("trip.ini-backup.gpx", "GC1A2B3\r\n");
    run("attended, traced", {"--debug", dir.file("trip.ini-backup.gpx")}, 0,
        "*\nGC1A2B3 no spoilers found\n1 waypoints processed\n0 pictures downloaded\n"
        "0 files deleted\n*",
        {{"debug.txt", "Pixtrail Debug file * Processing waypoint 'GC1A2B3'\r\n*"},
         {"trip.ini-backup.gpx", "GC1A2B3\r\n"},
         {"pixtrail.ini", "*\r\nWaypointfile=" + dir.file("caches.gpx") + "\r\n*"}});
    // A file named as settings that is no settings file is read, but never written.
    dir.write("weekend.ini", "Caches to do this weekend\r\nGC1A2B3 by the lake\r\n");
    run("not a settings file", {"-a", dir.file("weekend.ini")}, 1, "",
        {{"weekend.ini", "Caches to do this weekend\r\nGC1A2B3 by the lake\r\n"}},
        "*'" + dir.file("weekend.ini") + "' does not look like a settings file*");

    // "Spoiler ü" as a Linux editor saves it, and a value no Windows code page can spell.
    const std::string words = "onlywords=\xE6\x97\xA5\xE6\x9C\xAC\r\n";
    const std::string folder = "Spoilerfolder=" + dir.file("spoilers") + "/Spoiler \xC3\xBC\r\n";
    writeSettings(words + folder);
    run("UTF-8 settings", {"-a"}, 4, "*",
        {{"pixtrail.ini", "[Settings]\r\n" + words + folder + "*"}},
        "*The value of onlywords in the settings file holds characters*");
    EXPECT_TRUE(fs::is_directory(dir.path() / "spoilers" / "Spoiler \xC3\xBC"));

    // A missing folder: without a terminal the question is answered No; unattended, it is
    // made, before the run finds nobody listening where the site should be.
    writeSettings("Spoilerfolder=" + dir.file("new-folder") + "\r\n", "cachehost=127.0.0.1:1\r\n");
    run("missing folder", {}, 1, "", {{"new-folder", "-"}}, "*Do you wish to create it ?\nNo*");
    run("missing folder, no site", {"-a"}, 1, "", {}, "Cannot connect to the internet !\n");
    EXPECT_TRUE(fs::is_directory(dir.path() / "new-folder"));

    // Its own settings file a folder, and a trace that cannot be written.
    for (const char* name : {"pixtrail.ini", "debug.txt"}) {
        fs::remove(dir.path() / name);
        fs::create_directory(dir.path() / name);
    }
    run("settings and trace unusable", {"-a", "--debug"}, 1, "*", {},
        "*Cannot read the settings file '*/pixtrail.ini': Is a directory*"
        "The debug trace cannot be written: Cannot write '*/debug.txt'*");
}

// Setting options change a setting for one run; only --save writes them.
TEST_F(Cli, SettingOptionsHoldForTheRunAndAreSavedOnlyWhenAsked) {
    const std::string saved = dir.read("pixtrail.ini");
    fs::create_directory(dir.path() / "elsewhere");
    dir.write("elsewhere/caches.gpx", "GC1A2B3\r\n");
    const Files untouched = {{"pixtrail.ini", saved}};
    run("overridden",
        {"-a", "--spoiler-folder", dir.file("elsewhere"),
         "--waypoint-file=" + dir.file("elsewhere/caches.gpx"), "--pages", "--summary"},
        4, "GC1A2B3 page not available\n", untouched);
    EXPECT_TRUE(dir.exists("elsewhere/index.html"));
    EXPECT_FALSE(dir.exists("spoilers/index.html"));

    run("saved", {"-a", "--no-pages", "--delay=7", "--shrink", "640x480", "--save"}, 0, "*",
        {{"pixtrail.ini", "*\r\ndelay=7\r\n*\r\nshrinkwidth=640\r\nshrinkheight=480\r\n"
                          "shrinkpics=1\r\n*"}});
    EXPECT_NE(dir.read("pixtrail.ini").find("dohtml=0\r\n"), std::string::npos);

    // A setting that is missing: the message says where and how to give it.
    writeSettings("Spoilerfolder=\r\n");
    run("no folder", {"-a"}, 1, "", {},
        "Please choose a folder location to store spoiler pics\nGive it with --spoiler-folder DIR "
        "(add --save to keep it), or set Spoilerfolder= in section [Settings] of " +
            dir.file("pixtrail.ini") + ".\n");
}

// On a terminal a status line sits under the result lines and is gone at the end; a pipe
// (every other run here) and a dumb terminal get only the result lines.
TEST_F(Cli, AStatusLineShowsOnlyOnATerminal) {
    RunOptions terminal;
    terminal.terminal = true;
    run("terminal", {"-a"}, 0,
        "*| 0 done | 0:00 elapsed*GC1A2B3 no spoilers found\r\n*| 1 done | 0:00 elapsed | "
        "Processing GC22222\r\033[KGC22222 spoilers already downloaded\r\n",
        {}, "", terminal);
    terminal.environment = {"TERM=dumb"};
    run("dumb terminal", {"-a"}, 0,
        "GC1A2B3 no spoilers found\r\nGC22222 spoilers already downloaded\r\n", {}, "", terminal);
}

// The sample caches from the sample site, their pictures shrunk and converted one after the
// other or by four workers: the same folder, byte for byte, and the same trace but for times.
TEST_F(Cli, SerialAndParallelRunsWriteTheSameFolderAndTrace) {
    site.serveDemoSite(PIXTRAIL_SOURCE_DIR "/demo/site");
    fs::copy_file(PIXTRAIL_SOURCE_DIR "/demo/sample.gpx", dir.path() / "caches.gpx",
                  fs::copy_options::overwrite_existing);
    writeSettings("");
    std::string seen[2];
    for (const int parallel : {0, 1}) {
        const std::string folder = dir.file(parallel ? "parallel" : "serial");
        fs::create_directory(folder);
        fs::remove_all(dir.path() / "config"); // both runs ask for the update feed
        run(folder,
            {"-a", "--debug", "--garmin", "--workers", parallel ? "4" : "1", "--spoiler-folder",
             folder},
            0, "*");
        std::istringstream trace(dir.read("debug.txt"));
        std::string line;
        std::getline(trace, line);        // the header: a time
        while (std::getline(trace, line)) // without times, the folder and the next check's date
            if (line.find("upgrade check") == std::string::npos)
                seen[parallel] += std::regex_replace(
                    pixtrail::base::replaceAll(line.substr(9), folder, "<folder>") + "\n",
                    std::regex("[0-9]+ ms\\)"), "ms)");
    }
    EXPECT_EQ(seen[0], seen[1]); // shown as a diff of lines
    const ProgramResult diff =
        runProgram("/usr/bin/diff", {"-r", dir.file("serial"), dir.file("parallel")});
    EXPECT_EQ(diff.exitCode, 0) << diff.out;
    EXPECT_NE(seen[0].find("\nResizing picture "), std::string::npos);
    EXPECT_NE(seen[0].find("\nConverted "), std::string::npos);
}

TEST_F(Cli, CtrlCStopsLikeStopAndGivesUpAStalledTransfer) {
    site.setFault(target("GC3EEEE"), fault(Fault::Kind::NeverAnswer));
    dir.write("caches.gpx", "GC3EEEE\r\nGC3BBBB\r\n");
    const ProgramResult r =
        run("stalled", {"-a"}, 4, "GC3EEEE page not available\nStopping in progress\n",
            {{"spoilers/.pixtrail-incomplete-GC3EEEE.part", ""}}, "", // not done
            {60s, 0, {}, 1500ms});
    EXPECT_LT(r.wallSeconds, 12); // not the transfer's time-out of ten minutes

    for (const char* code : {"GC3AAAA", "GC3BBBB", "GC3CCCC", "GC3DDDD"})
        servePage(code);
    dir.write("caches.gpx", "GC3AAAA\r\nGC3BBBB\r\nGC3CCCC\r\nGC3DDDD\r\n");
    writeSettings("delay=2\r\n"); // and delete unused files, but a stopped run deletes nothing
    // Ctrl-C comes during the wait before the second page; that cache is still finished.
    run("waiting", {"-a"}, 0,
        "GC3AAAA no spoilers found\nGC3BBBB no spoilers found\nStopping in progress\n",
        {{"spoilers/GC22222 - Spoiler 1.jpg", "jpeg"},
         {"log.txt", "*\r\nStopping in progress\r\n*"}},
        "", {60s, 1, {}, {}});
}

// Waypoint files users have today: none may lose or change a file of theirs.
TEST_F(Cli, WaypointFilesWithoutWaypointsDeleteNothingAndTodaysCodeListsAreRead) {
    dir.write("spoilers/GC1A2B3.html", "<html></html>\r\n");
    writeSettings(""); // deletes unused files
    Files kept;
    for (const std::string& name : spoilers())
        kept.push_back({"spoilers/" + name, dir.read("spoilers/" + name)});
    const std::string said =
        "No waypoints found in " + dir.file("caches.gpx") + ": nothing deleted";
    kept.push_back({"log.txt", "*\r\n" + said + "\r\n*"});
    for (const auto& [what, content] :
         {std::pair<std::string, std::string>{"empty", ""},
          {"binary", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)},
          {"foreign", "Shopping list\r\nmilk\r\neggs\r\n"},
          {"query title only", "<gpx><name>My query</name></gpx>\r\n"}}) {
        dir.write("caches.gpx", content);
        run(what, {"-a"}, 0, said + "\n", kept);
    }

    // A byte-order mark, lower case and spaces, six and seven characters; the site has none
    // of their pages. The other caches' files go, theirs are asked for again.
    dir.write("caches.gpx", "\xEF\xBB\xBFGC5PX7Q\r\n  gc12345 \r\nGC98AB\r\n");
    run("code list", {"-a"}, 4,
        "GC5PX7Q page not available\nGC12345 page not available\nGC98AB page not available\n"
        "Deleted  *");
    EXPECT_EQ(spoilers("*"),
              (Names{".pixtrail-incomplete-GC12345.part", ".pixtrail-incomplete-GC5PX7Q.part",
                     ".pixtrail-incomplete-GC98AB.part", "index.html"}));
    for (const char* code : {"GC5PX7Q", "GC12345", "GC98AB"})
        EXPECT_EQ(requests(target(code)), 1) << code;
}
