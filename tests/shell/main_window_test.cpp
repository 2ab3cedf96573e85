#include "shell/main_window.hpp"
#include "shell/version.hpp"

#include <gtest/gtest.h>

#include <set>

using namespace pixtrail::shell;

TEST(MainWindow, SettingsComeFirstInControlOrderWithTheirTags) {
    MainWindowModel w;
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"chkForceGC", "Reg!Settings!forcegc!0!0"},
        {"txtIgnoreWords", "Reg!Settings!ignorewords!0!"},
        {"txtOnlyWords", "Reg!Settings!onlywords!0!"},
        {"txtDelay", "Reg!Settings!delay!0!10"},
        {"chkNoTxt", "Reg!Settings!onlysummary!0!1"},
        {"chkDohtml", "Reg!Settings!dohtml!0!1"},
        {"chkRecheck", "Reg!Settings!recheck!0!0"},
        {"txtWidth", "Reg!Settings!shrinkwidth!0!300"},
        {"txtHeight", "Reg!Settings!shrinkheight!0!300"},
        {"chkResize", "Reg!Settings!shrinkpics!0!1"},
        {"chkIgnoreNoSpoil", "Reg!Settings!ignorenospoiler!0!1"},
        {"chkOnlySpoil", "Reg!Settings!onlyspoiler!0!1"},
        {"chkDelUnused", "Reg!Settings!delunused!0!1"},
        {"txtSpoilerFolder", "Reg!Settings!Spoilerfolder!0!"},
        {"txtWpFile", "Reg!Settings!Waypointfile!0!"},
        {"chkAutoUpdate", "Reg!Settings!autoupdate!0!1"},
        {"chkGarminPhotos", "Reg!Settings!garminphotos!0!0"},
    };
    ASSERT_GT(w.controls().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(w.controls()[i].name, expected[i].first);
        EXPECT_EQ(w.controls()[i].tag, expected[i].second);
    }
    for (size_t i = expected.size(); i < w.controls().size(); ++i)
        EXPECT_TRUE(w.controls()[i].tag.empty()) << w.controls()[i].name;
    EXPECT_EQ(w.caption(), windowTitle());
    EXPECT_EQ(w.control("Label2").caption, std::string(kDefaultHomePageHost) + "/pixtrail");
    EXPECT_EQ(w.control("Label1", 4).caption, "Delay between web requests");
    EXPECT_EQ(w.control("cmdSync").toolTip, "Process current waypoint file");
}

TEST(MainWindow, TheGarminBoxHasARowOfItsOwnAndEveryControlStaysInTheWindow) {
    MainWindowModel w;
    const Rect garmin = w.control("chkGarminPhotos").rect;
    auto overlaps = [](const Rect& a, const Rect& b) {
        return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
               b.top < a.top + a.height;
    };
    for (const Control& c : w.controls()) {
        if (!c.visible || c.rect.width == 0)
            continue;
        // The client area of the window: 6495 x 7695 twips.
        EXPECT_LE(c.rect.left + c.rect.width, 6495) << c.name;
        EXPECT_LE(c.rect.top + c.rect.height, 7695) << c.name;
        if (c.name != "chkGarminPhotos") {
            EXPECT_FALSE(overlaps(c.rect, garmin)) << c.name << " " << c.index;
        }
    }
    // Below the last option, above the delay row.
    EXPECT_GT(garmin.top, w.control("chkNoTxt").rect.top);
    EXPECT_LT(garmin.top, w.control("txtDelay").rect.top);
}

TEST(MainWindow, StartsWithHiddenAndDisabledControlsAsDesigned) {
    MainWindowModel w;
    for (const char* name : {"txtOnlyWords", "txtIgnoreWords", "txtWidth", "txtHeight", "txtcmd"})
        EXPECT_FALSE(w.control(name).enabled) << name;
    for (const char* name : {"chkAutoUpdate", "txtcmd", "cmdStop", "lstSort", "Picture1"})
        EXPECT_FALSE(w.control(name).visible) << name;
    EXPECT_FALSE(w.control("Timer1").enabled);
    EXPECT_TRUE(w.control("cmdSync").visible);
    // Stop covers Start, txtcmd covers the waypoint field.
    EXPECT_EQ(w.control("cmdStop").rect.left, w.control("cmdSync").rect.left);
    EXPECT_EQ(w.control("cmdStop").rect.top, w.control("cmdSync").rect.top);
    EXPECT_EQ(w.control("txtcmd").rect.top, w.control("txtWpFile").rect.top);
    for (const Control& c : w.controls()) {
        if (c.kind == ControlKind::CheckBox) {
            EXPECT_EQ(c.value, 0) << c.name;
        }
    }
}

TEST(MainWindow, InterlocksFollowTheirBoxes) {
    MainWindowModel w;
    std::set<std::string> changed;
    w.setListener([&](const Control& c) { changed.insert(c.name); });

    w.setValue("chkResize", 1);
    EXPECT_TRUE(w.control("txtWidth").enabled);
    EXPECT_TRUE(w.control("txtHeight").enabled);
    EXPECT_TRUE(changed.count("txtWidth")); // the GUI hears of the dependent change
    w.setValue("chkResize", 0);
    EXPECT_FALSE(w.control("txtWidth").enabled);
    EXPECT_FALSE(w.control("txtHeight").enabled);

    w.setValue("chkOnlySpoil", 2); // greyed counts as not clear
    EXPECT_TRUE(w.control("txtOnlyWords").enabled);
    EXPECT_FALSE(w.control("txtIgnoreWords").enabled);
    w.setValue("chkIgnoreNoSpoil", 1);
    EXPECT_TRUE(w.control("txtIgnoreWords").enabled);
    w.setValue("chkOnlySpoil", 0);
    EXPECT_FALSE(w.control("txtOnlyWords").enabled);
}

TEST(MainWindow, NumberFieldsTakeOnlyDigitsAndSizeFieldsKeepFour) {
    MainWindowModel w;
    EXPECT_FALSE(w.keyPress("txtDelay", 'a'));
    EXPECT_FALSE(w.keyPress("txtDelay", '\x16')); // Ctrl+V arrives as a typed character
    EXPECT_TRUE(w.keyPress("txtDelay", '7'));
    EXPECT_TRUE(w.keyPress("txtDelay", '\b'));
    EXPECT_TRUE(w.keyPress("txtWpFile", 'a'));

    w.typeText("txtDelay", "1a2-3.");
    EXPECT_EQ(w.control("txtDelay").text, "123");
    w.typeText("txtDelay", "\b\b");
    EXPECT_EQ(w.control("txtDelay").text, "1");
    w.typeText("txtDelay", "234567"); // no length limit here
    EXPECT_EQ(w.control("txtDelay").text, "1234567");

    w.typeText("txtHeight", "12x345");
    EXPECT_EQ(w.control("txtHeight").text, "1234");
    w.setText("txtWidth", "12345"); // pasted or loaded text is cut as well
    EXPECT_EQ(w.control("txtWidth").text, "1234");
    w.setText("txtWidth", "ab"); // but not filtered
    EXPECT_EQ(w.control("txtWidth").text, "ab");
}
