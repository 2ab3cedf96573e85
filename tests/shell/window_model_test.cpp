#include "shell/main_window.hpp"

#include <gtest/gtest.h>

#include <set>

using namespace pixtrail::shell;

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

TEST(MainWindow, NumberFieldsTakeOnlyDigitsAndSizeFieldsKeepFour) {
    MainWindowModel w;
    EXPECT_FALSE(w.keyPress("txtDelay", '\x16')); // Ctrl+V arrives as a typed character
    EXPECT_TRUE(w.keyPress("txtDelay", '\b'));
    EXPECT_TRUE(w.keyPress("txtWpFile", 'a'));
    w.typeText("txtDelay", "1a2-3.\b4567");
    EXPECT_EQ(w.control("txtDelay").text, "124567"); // no length limit here
    w.typeText("txtHeight", "12x345");
    EXPECT_EQ(w.control("txtHeight").text, "1234");
    w.setText("txtWidth", "12345"); // pasted or loaded text is cut as well, but not filtered
    EXPECT_EQ(w.control("txtWidth").text, "1234");
    w.setText("txtWidth", "ab");
    EXPECT_EQ(w.control("txtWidth").text, "ab");
}
