#include "base/ansi_text.hpp"
#include "base/files.hpp"
#include "e2e/cli_folder.hpp"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;
using namespace pixtrail::testing;

namespace {

// What a user's spoiler folder holds after earlier runs: every kind of file a cleanup could
// take away.
const std::vector<std::string> kEarlierFiles = {"GC1A2B3 - Spoiler.jpg", "GC1A2B3.html",
                                                "GC22222 - no spoiler found.txt"};

// pixtrail-cli run the way users run it, on inputs of today; none may lose or change a
// file of theirs.
class Safety : public CliFolder {
protected:
    void SetUp() override {
        for (const std::string& name : kEarlierFiles)
            dir.write("spoilers/" + name, "kept");
        writeSettings("onlysummary=0\r\ndelunused=1\r\n");
    }
    std::vector<std::string> spoilers() {
        return pixtrail::base::listFiles(dir.file("spoilers"), "*");
    }
    bool requested(const std::string& code) {
        const auto seen = site.targets();
        return std::find(seen.begin(), seen.end(),
                         "/seek/cache_details.aspx?wp=" + code + "&Submit6=Find") != seen.end();
    }
};

} // namespace

TEST_F(Safety, AWaypointFileThatYieldsNoWaypointDeletesNothing) {
    const std::pair<const char*, std::string> files[] = {
        {"empty", ""},
        {"binary", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)},
        {"foreign", "Shopping list\r\nmilk\r\neggs\r\n"},
        {"query title only", "<gpx><name>My weekend pocket query</name></gpx>\r\n"},
    };
    for (const auto& [what, content] : files) {
        dir.write("caches.gpx", content);
        const ProgramResult r = run({"-a"});
        EXPECT_EQ(r.exitCode, 0) << what << r.err;
        const std::string said =
            "No waypoints found in " + dir.file("caches.gpx") + ": nothing deleted";
        EXPECT_EQ(r.out, said + "\n") << what;
        EXPECT_NE(dir.read("log.txt").find("\r\n" + said + "\r\n"), std::string::npos) << what;
        for (const std::string& name : kEarlierFiles)
            EXPECT_EQ(dir.read("spoilers/" + name), "kept") << what << ": " << name;
    }
}

TEST_F(Safety, TodaysCodeListsAreRead) {
    dir.write("caches.gpx", "\xEF\xBB\xBFGC5PX7Q\r\n  gc12345 \r\nGC12AB\r\n");
    const ProgramResult r = run({"-a"});
    EXPECT_EQ(r.exitCode, 4) << r.err; // the site has none of their pages
    EXPECT_EQ(r.out.rfind("GC5PX7Q page not available\nGC12345 page not available\n"
                          "GC12AB page not available\n",
                          0),
              0u);
    for (const char* code : {"GC5PX7Q", "GC12345", "GC12AB"})
        EXPECT_TRUE(requested(code)) << code;
    // Their pages did not arrive: the other caches' files went, theirs are asked for again.
    EXPECT_EQ(spoilers(),
              (std::vector<std::string>{".pixtrail-incomplete-GC12345.part",
                                        ".pixtrail-incomplete-GC12AB.part",
                                        ".pixtrail-incomplete-GC5PX7Q.part", "index.html"}));
}

TEST_F(Safety, TheCommandLineNeverTakesAnotherFileForItsSettings) {
    const std::string settings = dir.read("pixtrail.ini");
    // Mistyped or foreign options start nothing and touch nothing.
    for (const char* option : {"-v", "-x", "-?", "-help", "-debug", "--frobnicate"}) {
        const ProgramResult r = run({option});
        EXPECT_EQ(r.exitCode, 2) << option;
        EXPECT_NE(r.err.find("unknown option"), std::string::npos) << option;
        EXPECT_NE(r.err.find("Usage: pixtrail-cli"), std::string::npos) << option;
        EXPECT_EQ(r.out, "") << option;
    }
    EXPECT_FALSE(dir.exists("log.txt"));
    EXPECT_EQ(dir.read("pixtrail.ini"), settings);
    EXPECT_EQ(spoilers().size(), kEarlierFiles.size());

    // ".ini" inside a waypoint file's name does not make it a settings file.
    const std::string list = "GC1A2B3\r\n";
    dir.write("trip.ini-backup.gpx", list);
    ProgramResult r = run({"-a", dir.file("trip.ini-backup.gpx")});
    EXPECT_EQ(r.out.rfind("GC1A2B3 spoilers already downloaded\n", 0), 0u);
    EXPECT_EQ(dir.read("trip.ini-backup.gpx"), list);

    // A file named as settings that is no settings file is read, but never written.
    const std::string notes = "Caches to do this weekend\r\nGC1A2B3 by the lake\r\n";
    dir.write("weekend.ini", notes);
    r = run({"-a", dir.file("weekend.ini")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("'" + dir.file("weekend.ini") + "' does not look like a settings file"),
              std::string::npos);
    EXPECT_EQ(dir.read("weekend.ini"), notes);
}

TEST_F(Safety, ASettingsFileFromAUtf8EditorKeepsItsCharacters) {
    // "Spoiler ü" as a Linux editor saves it, and a value no Windows code page can spell.
    const std::string folder = dir.file("spoilers") + "/Spoiler \xC3\xBC";
    dir.write("caches.gpx", "GC1A2B3\r\n");
    dir.write("pixtrail.ini", "[Settings]\r\nWaypointfile=" + dir.file("caches.gpx") +
                                  "\r\nSpoilerfolder=" + folder +
                                  "\r\nonlywords=\xE6\x97\xA5\xE6\x9C\xAC\r\ndelay=0\r\n"
                                  "[Network]\r\ncachehost=" +
                                  site.host() + "\r\nhomehost=" + site.host() + "\r\n");
    const ProgramResult r = run({"-a"});
    EXPECT_EQ(r.exitCode, 4) << r.err;
    EXPECT_TRUE(fs::is_directory(dir.path() / "spoilers" / "Spoiler \xC3\xBC"));
    EXPECT_NE(r.err.find("The value of onlywords in the settings file holds characters"),
              std::string::npos);
    const std::string saved = dir.read("pixtrail.ini");
    EXPECT_NE(saved.find("Spoilerfolder=" + folder + "\r\n"), std::string::npos); // UTF-8
    EXPECT_NE(saved.find("onlywords=\xE6\x97\xA5\xE6\x9C\xAC\r\n"), std::string::npos);
    EXPECT_TRUE(pixtrail::base::isValidUtf8(saved));
}

TEST_F(Safety, FilesInOtherLetterCaseAreTheSameFile) {
    dir.write("caches.gpx", "GC5PX7Q\r\nGC22222\r\n");
    dir.write("spoilers/gc5px7q - spoiler weir.jpg", "kept");
    dir.write("spoilers/gc5px7q.html", "<html><head><title>gc5px7q</title></head></html>\r\n");
    // A page from before pages named their encoding, of a cache this run skips.
    dir.write("spoilers/GC22222.html",
              "<html><head><title>GC22222 - The Weir</title></head><body></body></html>\r\n");
    site.serve("/seek/cache_details.aspx?wp=GC5PX7Q&Submit6=Find",
               "<html><head><title>GC5PX7Q The Weir</title></head><body>" + std::string(1200, ' ') +
                   "<a href=\"http://" + site.host() +
                   "/cache/weir.jpg\" rel=\"lightbox\">Spoiler weir</a><span>x</span></body>");
    site.serve("/seek/cache_details.aspx?wp=GC22222&Submit6=Find",
               "<html><head><title>GC22222 The Weir</title></head>" + std::string(1200, ' '));
    writeSettings("onlysummary=0\r\ndelunused=0\r\nrecheck=1\r\nshrinkpics=0\r\n");
    const ProgramResult r = run({"-a"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const auto seen = site.targets();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "/cache/weir.jpg"), 0);
    EXPECT_EQ(dir.read("spoilers/gc5px7q - spoiler weir.jpg"), "kept");
    EXPECT_FALSE(dir.exists("spoilers/GC5PX7Q.html"));
    EXPECT_NE(dir.read("spoilers/gc5px7q.html").find("<title>GC5PX7Q -  The Weir</title>"),
              std::string::npos);
    EXPECT_EQ(dir.read("spoilers/GC22222.html"),
              "<html><head><meta charset=\"windows-1252\"><title>GC22222 - The Weir</title>"
              "</head><body></body></html>\r\n");
}

TEST_F(Safety, FilesOfItsOwnThatCannotBeUsedAreNamed) {
    dir.write("caches.gpx", "GC1A2B3\r\n");
    fs::create_directory(dir.path() / "folder.ini");
    ProgramResult r = run({"-a", dir.file("folder.ini")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(
        r.err.find("cannot read the settings file " + dir.file("folder.ini") + ": Is a directory"),
        std::string::npos);

    // The program's own settings file a folder, and a debug trace that cannot be written.
    const std::string settings = dir.read("pixtrail.ini");
    fs::remove(dir.path() / "pixtrail.ini");
    fs::create_directory(dir.path() / "pixtrail.ini");
    fs::create_directory(dir.path() / "debug.txt");
    r = run({"-a", "--debug"});
    EXPECT_NE(r.err.find("Cannot read the settings file '" + dir.file("pixtrail.ini") +
                         "': Is a directory"),
              std::string::npos);
    EXPECT_NE(r.err.find("The debug trace cannot be written: Cannot write '" +
                         dir.file("debug.txt") + "'"),
              std::string::npos);
}
