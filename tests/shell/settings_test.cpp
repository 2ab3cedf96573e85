#include "base/files.hpp"
#include "shell/ini_file.hpp"
#include "shell/main_window.hpp"
#include "shell/settings_store.hpp"
#include "shell/translation.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

using namespace pixtrail::shell;
using pixtrail::testing::TempFolder;

namespace {
const std::string kHandWritten = "; Pixtrail settings, edited by hand\r\n"
                                 "[ settings ]\r\n"
                                 "  Delay =  \"12\"  \r\n"
                                 "shrinkwidth='300'\n"
                                 "; keep this comment\r\n"
                                 "dohtml=0\r\n"
                                 "\r\n"
                                 "[Network]\r\n"
                                 "cachehost=127.0.0.1:8080\r\n";

const std::string kFreshFile = "[Settings]\r\nforcegc=0\r\nignorewords=\r\nonlywords=\r\n"
                               "delay=10\r\nonlysummary=1\r\ndohtml=1\r\nrecheck=0\r\n"
                               "shrinkwidth=300\r\nshrinkheight=300\r\nshrinkpics=1\r\n"
                               "ignorenospoiler=1\r\nonlyspoiler=1\r\ndelunused=1\r\n"
                               "Spoilerfolder=\r\nWaypointfile=\r\nautoupdate=1\r\n"
                               "garminphotos=0\r\n";
} // namespace

TEST(IniFile, ReadsFollowTheClassicRules) {
    TempFolder dir;
    dir.write("a.ini", kHandWritten +
                           "[Settings]\r\ndelay=99\r\n[S]\r\nempty=\r\nspaced=  x y  \r\n" +
                           "q=\"a'\r\nqq=''\r\nlong=" + std::string(6000, 'x') +
                           "\r\ndup=first\r\ndup=second\r\n");
    dir.write("b.ini", "delay=1\r\n" + std::string("\x01\xFF binary\n[") +
                           std::string(100000, 'L') + "\n[Settings\nalmost=1");
    const std::string a = dir.file("a.ini"), b = dir.file("b.ini");
    // Stored empty beats the default, spaces and one pair of matching quotes go ('' leaves
    // nothing), values are cut, the first of two wins.
    using Case = std::tuple<std::string, std::string, std::string, std::string>;
    for (const auto& [path, section, key, expected] :
         {Case{a, "Settings", "delay", "12"}, // the first section of a name wins
          Case{a, "SETTINGS", "ShrinkWidth", "300"}, Case{a, "settings", "dohtml", "0"},
          Case{a, "network", "CACHEHOST", "127.0.0.1:8080"}, Case{a, "S", "empty", ""},
          Case{a, "S", "spaced", "x y"}, Case{a, "S", "q", "\"a'"}, Case{a, "S", "qq", ""},
          Case{a, "S", "dup", "first"}, Case{a, "S", "long", std::string(kMaxIniValueLength, 'x')},
          Case{a, "Settings", "missing", "(default)"}, Case{a, "Nowhere", "delay", "(default)"},
          Case{dir.file("none.ini"), "Settings", "delay", "(default)"},
          Case{b, "", "delay", "(default)"},   // keys before any section
          Case{b, "Settings", "almost", "1"}}) // a header without "]"
        EXPECT_EQ(readIniValue(path, section, key, "(default)"), expected) << key;
}

TEST(IniFile, AWriteChangesOnlyItsKeyAndNeverHarmsAnotherFile) {
    TempFolder dir;
    dir.write("a.ini", kHandWritten);
    const std::string path = dir.file("a.ini");
    ASSERT_TRUE(writeIniValue(path, "Settings", "DELAY", "30"));
    ASSERT_TRUE(writeIniValue(path, "Settings", "recheck", "1"));
    ASSERT_TRUE(writeIniValue(path, "Update", "GUI", "abc"));
    // A line break cannot smuggle in another key.
    ASSERT_TRUE(writeIniValue(path, "Update", "evil", "x\r\n[Settings]\r\ndelay=0"));
    std::string expected = kHandWritten;
    expected.replace(expected.find("Delay =  \"12\"  "), 15, "Delay =30");
    expected.insert(expected.find("\r\n[Network]"), "recheck=1\r\n");
    EXPECT_EQ(dir.read("a.ini"),
              expected + "[Update]\r\nGUI=abc\r\nevil=x  [Settings]  delay=0\r\n");

    ASSERT_TRUE(writeIniValue(dir.file("new.ini"), "Settings", "forcegc", "0"));
    EXPECT_EQ(dir.read("new.ini"), "[Settings]\r\nforcegc=0\r\n");

    // Files named by mistake, and files that cannot be read, stay as they are.
    const std::string others[] = {"<?xml version=\"1.0\"?>\r\n<gpx>\r\n", "GC12345\r\nGC23456\r\n",
                                  std::string("[Settings]\r\n\0\0", 14), "\xFF\xD8\xFF\xE0 jpeg"};
    for (const std::string& content : others) {
        dir.write("trip.ini", content);
        EXPECT_FALSE(writeIniValue(dir.file("trip.ini"), "Settings", "delay", "5")) << content;
        EXPECT_EQ(dir.read("trip.ini"), content);
    }
    for (const char* content : {"", "\r\n[Settings]\r\n", "# comment\n", "a=b\n"})
        EXPECT_TRUE(looksLikeIniFile(content)) << content;
    std::filesystem::create_directory(dir.path() / "dir.ini");
    EXPECT_EQ(updateIniFile(dir.file("dir.ini"), [](IniDocument&) {}).status,
              IniWriteResult::Status::Unreadable);
    pixtrail::base::failAtomicRenamesForTesting(true);
    EXPECT_FALSE(writeIniValue(path, "Settings", "delay", "1"));
    pixtrail::base::failAtomicRenamesForTesting(false);
    EXPECT_EQ(dir.read("a.ini").find("delay=1"), std::string::npos);
}

TEST(SettingsStore, TheWindowsSettingsLoadAndSaveThroughTheirTags) {
    TempFolder dir;
    const std::string ini = dir.file("pixtrail.ini");
    MainWindowModel fresh;
    LoadControlSettings(fresh, ini);
    EXPECT_FALSE(dir.exists("pixtrail.ini"));       // loading never creates the file
    EXPECT_TRUE(fresh.control("txtWidth").enabled); // interlocks ran while loading
    SaveControlSettings(fresh, ini);
    EXPECT_EQ(dir.read("pixtrail.ini"), kFreshFile); // every setting, in order, as default

    // Odd stored values go through the window's own handling; the rest of the file stays.
    dir.write("pixtrail.ini", "; my notes\r\n[Settings]\r\ndelay=\r\nshrinkwidth=12345\r\n"
                              "onlyspoiler=0\r\nignorenospoiler=rubbish\r\ndelunused=7\r\n"
                              "recheck= 1 \r\nSpoilerfolder=/geo/\xC3\xA6\xE6\x97\xA5\r\n");
    MainWindowModel w;
    EXPECT_EQ(LoadControlSettings(w, ini), std::vector<std::string>{"Spoilerfolder"});
    EXPECT_EQ(w.control("txtDelay").text, ""); // stored empty is kept
    EXPECT_EQ(w.control("txtWidth").text, "1234");
    EXPECT_FALSE(w.control("txtOnlyWords").enabled);
    EXPECT_EQ(w.control("chkIgnoreNoSpoil").value, 0); // not a number
    EXPECT_EQ(w.control("chkDelUnused").value, 1);     // out of range: ticked
    EXPECT_EQ(w.control("chkRecheck").value, 1);
    EXPECT_EQ(w.control("chkGarminPhotos").value, 0); // a file from before the option
    w.setValue("chkGarminPhotos", 1);
    w.setText("txtDelay", "4");
    SaveControlSettings(w, ini);
    const std::string saved = dir.read("pixtrail.ini");
    EXPECT_EQ(saved.rfind("; my notes\r\n[Settings]\r\ndelay=4\r\nshrinkwidth=1234\r\n", 0), 0u);
    // A folder the code page cannot spell is not replaced by its '?' spelling.
    EXPECT_NE(saved.find("Spoilerfolder=/geo/\xC3\xA6\xE6\x97\xA5\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\ngarminphotos=1\r\n"), std::string::npos);
}

TEST(MainWindow, InterlocksFollowTheirBoxesAndTellTheWindow) {
    MainWindowModel w;
    for (const char* name : {"txtOnlyWords", "txtIgnoreWords", "txtWidth", "txtHeight"})
        EXPECT_FALSE(w.control(name).enabled) << name;
    std::set<std::string> changed;
    w.setListener([&](const Control& c) { changed.insert(c.name); });
    struct Step {
        const char* box;
        int value;
        bool width, height, onlyWords, ignoreWords;
    };
    const Step steps[] = {
        {"chkResize", 1, true, true, false, false},
        {"chkResize", 0, false, false, false, false},
        {"chkOnlySpoil", 2, false, false, true, false}, // greyed counts as ticked
        {"chkIgnoreNoSpoil", 1, false, false, true, true},
        {"chkOnlySpoil", 0, false, false, false, true},
    };
    for (const Step& s : steps) {
        w.setValue(s.box, s.value);
        const std::string step = std::string(s.box) + "=" + std::to_string(s.value);
        EXPECT_EQ(w.control("txtWidth").enabled, s.width) << step;
        EXPECT_EQ(w.control("txtHeight").enabled, s.height) << step;
        EXPECT_EQ(w.control("txtOnlyWords").enabled, s.onlyWords) << step;
        EXPECT_EQ(w.control("txtIgnoreWords").enabled, s.ignoreWords) << step;
    }
    EXPECT_EQ(changed.count("txtWidth") + changed.count("txtOnlyWords"), 2u);
}

TEST(Translation, AFileCollectsMissingTextsAndTranslatesTheRest) {
    TempFolder dir;
    const std::string path = dir.file("language.ini");
    Translator none(path);
    MainWindowModel english;
    none.TranslatePage(english);
    EXPECT_EQ(none.TranslateText("Start"), "Start");
    EXPECT_FALSE(dir.exists("language.ini")); // no file: nothing is collected

    dir.write("language.ini", "");
    Translator empty(path);
    MainWindowModel w;
    empty.TranslatePage(w);
    const std::string content = dir.read("language.ini");
    EXPECT_EQ(content.rfind("[Pixtrail]\r\n", 0), 0u);
    // 10 check boxes, Start and Stop, 7 distinct label captions ("or" twice; the link
    // not at all) and 21 distinct tooltips (two boxes share one), each once.
    EXPECT_EQ(std::count(content.begin(), content.end(), '='), 10 + 2 + 7 + 21);
    EXPECT_EQ(readIniValue(path, "Pixtrail", "OR2OR", ""), "or");
    EXPECT_EQ(translationKey("Do you wish to create it ?") +
                  translationKey("(Sleeping %s seconds)"),
              "DOYO19TEIT(SLE17NDS)");
    EXPECT_EQ(content.find("www"), std::string::npos);
    EXPECT_EQ(translationKey("Only \"spoiler\" here"), translationKey("ONLY 'SPOILER' HERE"));

    dir.write("language.ini", "[Pixtrail]\r\nSTAR5TART=Beginnen\r\nSPOI8LERS=\"%S Spoiler\"\r\n"
                              "OR2OR=\r\n");
    Translator german(path);
    german.TranslatePage(w);
    EXPECT_EQ(w.control("cmdSync").caption, "Beginnen");
    EXPECT_EQ(translateWith(german, "%s spoilers", "3"), "3 Spoiler");
    EXPECT_EQ(w.control("Label1", 6).caption, "or"); // empty counts as missing
    EXPECT_EQ(readIniValue(path, "Pixtrail", "OR2OR", ""), "or");

    std::filesystem::remove(dir.path() / "language.ini"); // deleted while running
    EXPECT_EQ(german.TranslateText("Upgrade completed"), "Upgrade completed");
    EXPECT_EQ(dir.read("language.ini"), "[Pixtrail]\r\nUPGR16ETED=Upgrade completed\r\n");
}

// UTF-8 with or without a byte-order mark, or Windows-1252: read, and added to, as it is.
TEST(Translation, AFileKeepsItsEncoding) {
    const std::string utf8 = "CAF\303\2114CAF\303\211=Caf\303\251\r\n", arret = "STOP4STOP=Arr";
    using Case = std::pair<std::string, std::string>; // the file, what a missing text adds
    for (const auto& [file, added] :
         {Case{"\xEF\xBB\xBF[Pixtrail]\r\n" + arret + "\xC3\xAAt\r\n", utf8},
          Case{"[Pixtrail]\r\n" + arret + "\xC3\xAAt\r\n", utf8},
          Case{"[Pixtrail]\r\n" + arret + "\xEAt\r\n", "CAF\3114CAF\311=Caf\351\r\n"}}) {
        TempFolder dir;
        dir.write("language.ini", file);
        Translator t(dir.file("language.ini"));
        EXPECT_EQ(t.TranslateText("Stop") + t.TranslateText("Caf\xE9"), "Arr\xEAtCaf\xE9") << file;
        EXPECT_EQ(dir.read("language.ini"), file + added);
    }
}
