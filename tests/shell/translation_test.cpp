#include "shell/ini_file.hpp"
#include "shell/main_window.hpp"
#include "shell/translation.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <filesystem>

using namespace pixtrail::shell;
using pixtrail::testing::TempFolder;

namespace {
int entriesIn(const std::string& content) {
    int n = 0;
    for (size_t p = content.find('='); p != std::string::npos; p = content.find('=', p + 1))
        ++n;
    return n;
}
} // namespace

TEST(Translation, KeysAreDerivedFromTheEnglishText) {
    EXPECT_EQ(translationKey("Start"), "STAR5TART");
    EXPECT_EQ(translationKey("or"), "OR2OR");
    EXPECT_EQ(translationKey("Upgrade completed"), "UPGR16ETED");
    EXPECT_EQ(translationKey("Do you wish to create it ?"), "DOYO19TEIT");
    EXPECT_EQ(translationKey("(Sleeping %s seconds)"), "(SLE17NDS)");
    EXPECT_EQ(translationKey("%s waypoints processed"), "WAYP18SSED");
    EXPECT_EQ(translationKey(""), "0");
    EXPECT_EQ(translationKey("%s spoilers"), translationKey("%S SPOILERS"));
    EXPECT_EQ(translationKey("Only download pictures with \"spoiler\" in the caption"),
              translationKey("ONLY DOWNLOAD PICTURES WITH 'SPOILER' IN THE CAPTION"));
}

TEST(Translation, WithoutALanguageFileNothingIsTouched) {
    TempFolder dir;
    Translator t(dir.file("language.ini"));
    EXPECT_FALSE(t.active());
    MainWindowModel w;
    t.TranslatePage(w);
    EXPECT_EQ(t.TranslateText("Start"), "Start");
    EXPECT_FALSE(dir.exists("language.ini"));
    EXPECT_EQ(w.control("cmdSync").caption, "Start");
}

TEST(Translation, AnEmptyFileCollectsEveryTextOfTheWindowOnce) {
    TempFolder dir;
    dir.write("language.ini", "");
    Translator t(dir.file("language.ini"));
    ASSERT_TRUE(t.active());
    MainWindowModel w;
    t.TranslatePage(w);
    const std::string content = dir.read("language.ini");
    const std::string path = dir.file("language.ini");
    EXPECT_EQ(content.rfind("[Pixtrail]\r\n", 0), 0u);
    EXPECT_EQ(readIniValue(path, "Pixtrail", "STAR5TART", ""), "Start");
    EXPECT_EQ(readIniValue(path, "Pixtrail", "OR2OR", ""), "or");
    EXPECT_EQ(readIniValue(path, "Pixtrail", translationKey("Stop"), ""), "Stop");
    const std::string garmin = "Also arrange spoilers for Garmin handhelds (GeocachePhotos)";
    EXPECT_EQ(readIniValue(path, "Pixtrail", translationKey(garmin), ""), garmin);
    // 10 check boxes, Start and Stop, 7 distinct label captions ("or" twice; the link
    // not at all) and 21 distinct tooltips (two boxes share one).
    EXPECT_EQ(entriesIn(content), 10 + 2 + 7 + 21);
    EXPECT_EQ(content.find("OR2OR"), content.rfind("OR2OR"));
    EXPECT_EQ(content.find("www"), std::string::npos); // the link is not looked up
    EXPECT_EQ(content.find("=...\r\n"), std::string::npos);
    EXPECT_EQ(w.control("Label2").caption, std::string(kDefaultHomePageHost) + "/pixtrail");
    EXPECT_EQ(w.control("cmdWaypointopen").caption, "...");
}

TEST(Translation, TranslationsReplaceCaptionsAndPlaceholdersAfterwards) {
    TempFolder dir;
    dir.write("language.ini", "[Pixtrail]\r\nSTAR5TART=Beginnen\r\nSPOI8LERS=\"%S Spoiler\"\r\n"
                              "OR2OR=\r\n");
    Translator t(dir.file("language.ini"));
    MainWindowModel w;
    t.TranslatePage(w);
    EXPECT_EQ(w.control("cmdSync").caption, "Beginnen");
    EXPECT_EQ(translateWith(t, "%s spoilers", "3"), "3 Spoiler");
    // An empty translation counts as missing and is written again with the English text.
    EXPECT_EQ(w.control("Label1", 6).caption, "or");
    EXPECT_EQ(readIniValue(dir.file("language.ini"), "Pixtrail", "OR2OR", ""), "or");
}

TEST(Translation, DeletingTheFileWhileRunningRecreatesIt) {
    TempFolder dir;
    dir.write("language.ini", "");
    Translator t(dir.file("language.ini"));
    std::filesystem::remove(dir.path() / "language.ini");
    EXPECT_EQ(t.TranslateText("Upgrade completed"), "Upgrade completed");
    EXPECT_EQ(dir.read("language.ini"), "[Pixtrail]\r\nUPGR16ETED=Upgrade completed\r\n");
}

TEST(Translation, Utf8LanguageFilesAreReadAndExtendedInUtf8) {
    TempFolder dir;
    // With a byte-order mark.
    dir.write("language.ini", "\xEF\xBB\xBF[Pixtrail]\r\nSTAR5TART=D\xC3\xA9marrer\r\n");
    Translator bom(dir.file("language.ini"));
    EXPECT_EQ(bom.TranslateText("Start"), "D\xE9marrer");
    EXPECT_EQ(bom.TranslateText("Caf\xE9"), "Caf\xE9");
    EXPECT_EQ(dir.read("language.ini"), "\xEF\xBB\xBF[Pixtrail]\r\nSTAR5TART=D\xC3\xA9marrer\r\n"
                                        "CAF\xC3\x89"
                                        "4CAF\xC3\x89=Caf\xC3\xA9\r\n");

    // Without one: high bytes that form valid UTF-8.
    dir.write("language.ini", "[Pixtrail]\r\nSTOP4STOP=Arr\xC3\xAAt\r\n");
    Translator plain(dir.file("language.ini"));
    EXPECT_EQ(plain.TranslateText("Stop"), "Arr\xEAt");

    // A Windows-1252 file stays Windows-1252.
    dir.write("language.ini", "[Pixtrail]\r\nSTOP4STOP=Arr\xEAt\r\n");
    Translator ansi(dir.file("language.ini"));
    EXPECT_EQ(ansi.TranslateText("Stop"), "Arr\xEAt");
    ansi.TranslateText("Caf\xE9");
    EXPECT_NE(dir.read("language.ini")
                  .find("CAF\xC9"
                        "4CAF\xC9=Caf\xE9\r\n"),
              std::string::npos);
}
