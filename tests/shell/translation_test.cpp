#include "shell/ini_file.hpp"
#include "shell/main_window.hpp"
#include "shell/translation.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace pixtrail::shell;
using pixtrail::testing::TempFolder;

TEST(Translation, KeysAreDerivedFromTheEnglishText) {
    const std::pair<const char*, const char*> keys[] = {
        {"Start", "STAR5TART"},
        {"or", "OR2OR"},
        {"Upgrade completed", "UPGR16ETED"},
        {"Do you wish to create it ?", "DOYO19TEIT"},
        {"(Sleeping %s seconds)", "(SLE17NDS)"},
        {"%s waypoints processed", "WAYP18SSED"},
        {"", "0"},
    };
    for (const auto& [text, key] : keys)
        EXPECT_EQ(translationKey(text), key) << text;
    EXPECT_EQ(translationKey("Only \"spoiler\" here"), translationKey("ONLY 'SPOILER' HERE"));
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
    EXPECT_EQ(content.find("www"), std::string::npos);

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

TEST(Translation, AFileKeepsItsEncoding) {
    struct Case {
        std::string file, translatedStop, addedLine;
    };
    const Case cases[] = {
        {"\xEF\xBB\xBF[Pixtrail]\r\nSTOP4STOP=Arr\xC3\xAAt\r\n", "Arr\xEAt",
         "CAF\xC3\x89"
         "4CAF\xC3\x89=Caf\xC3\xA9\r\n"},
        {"[Pixtrail]\r\nSTOP4STOP=Arr\xC3\xAAt\r\n", "Arr\xEAt",
         "CAF\xC3\x89"
         "4CAF\xC3\x89=Caf\xC3\xA9\r\n"},
        {"[Pixtrail]\r\nSTOP4STOP=Arr\xEAt\r\n", "Arr\xEAt",
         "CAF\xC9"
         "4CAF\xC9=Caf\xE9\r\n"},
    };
    for (const Case& c : cases) {
        TempFolder dir;
        dir.write("language.ini", c.file);
        Translator t(dir.file("language.ini"));
        EXPECT_EQ(t.TranslateText("Stop"), c.translatedStop) << c.file;
        EXPECT_EQ(t.TranslateText("Caf\xE9"), "Caf\xE9");
        EXPECT_EQ(dir.read("language.ini"), c.file + c.addedLine);
    }
}
