#include "shell/main_window.hpp"
#include "shell/settings_store.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

using namespace pixtrail::shell;
using pixtrail::testing::TempFolder;

namespace {

const std::string kFreshFile = "[Settings]\r\n"
                               "forcegc=0\r\n"
                               "ignorewords=\r\n"
                               "onlywords=\r\n"
                               "delay=10\r\n"
                               "onlysummary=1\r\n"
                               "dohtml=1\r\n"
                               "recheck=0\r\n"
                               "shrinkwidth=300\r\n"
                               "shrinkheight=300\r\n"
                               "shrinkpics=1\r\n"
                               "ignorenospoiler=1\r\n"
                               "onlyspoiler=1\r\n"
                               "delunused=1\r\n"
                               "Spoilerfolder=\r\n"
                               "Waypointfile=\r\n"
                               "autoupdate=1\r\n"
                               "garminphotos=0\r\n";

// A window with hand-made tags, to exercise the store beyond the main window's settings.
class TaggedWindow : public WindowModel {
public:
    TaggedWindow() {
        Control lower;
        lower.name = "txtLower";
        lower.kind = ControlKind::TextBox;
        lower.tag = "reg!Other!lowerkey";
        add(lower);
        Control foreign;
        foreign.name = "txtForeign";
        foreign.kind = ControlKind::TextBox;
        foreign.tag = "Something!Settings!foreign!0!x";
        foreign.text = "untouched";
        add(foreign);
        Control notes;
        notes.name = "txtNotes";
        notes.kind = ControlKind::TextBox;
        notes.multiLine = true;
        notes.tag = "Reg!Settings!notes!0!";
        add(notes);
        Control combo;
        combo.name = "cboMode";
        combo.kind = ControlKind::ComboBox;
        combo.items = {"Fast", "Careful"};
        combo.tag = "Reg!Settings!mode!0!fast";
        add(combo);
    }
};

} // namespace

TEST(SettingsStore, DefaultsLoadAndAFreshSaveListsEverySettingInOrder) {
    TempFolder dir;
    const std::string ini = dir.file("pixtrail.ini");
    MainWindowModel w;
    LoadControlSettings(w, ini);
    EXPECT_FALSE(dir.exists("pixtrail.ini")); // loading never creates the file
    EXPECT_EQ(w.control("txtDelay").text, "10");
    EXPECT_EQ(w.control("chkResize").value, 1);
    EXPECT_TRUE(w.control("txtWidth").enabled); // interlocks ran while loading
    EXPECT_TRUE(w.control("txtOnlyWords").enabled);

    SaveControlSettings(w, ini);
    EXPECT_EQ(dir.read("pixtrail.ini"), kFreshFile);
    SaveControlSettings(w, ini);
    EXPECT_EQ(dir.read("pixtrail.ini"), kFreshFile); // saving again changes nothing
}

TEST(SettingsStore, AFileFromBeforeTheGarminOptionGainsItAtTheEndAndKeepsItTicked) {
    TempFolder dir;
    const std::string ini = dir.file("pixtrail.ini");
    const std::string older = kFreshFile.substr(0, kFreshFile.find("garminphotos="));
    dir.write("pixtrail.ini", older);
    MainWindowModel w;
    LoadControlSettings(w, ini);
    EXPECT_EQ(w.control("chkGarminPhotos").value, 0);
    SaveControlSettings(w, ini);
    EXPECT_EQ(dir.read("pixtrail.ini"), kFreshFile);

    w.setValue("chkGarminPhotos", 1);
    SaveControlSettings(w, ini);
    EXPECT_EQ(dir.read("pixtrail.ini"), older + "garminphotos=1\r\n");
    MainWindowModel reloaded;
    LoadControlSettings(reloaded, ini);
    EXPECT_EQ(reloaded.control("chkGarminPhotos").value, 1);
}

TEST(SettingsStore, StoredEmptyTextBeatsTheDefaultAndAbsentKeysUseIt) {
    TempFolder dir;
    dir.write("pixtrail.ini", "[Settings]\r\ndelay=\r\n");
    MainWindowModel w;
    LoadControlSettings(w, dir.file("pixtrail.ini"));
    EXPECT_EQ(w.control("txtDelay").text, "");

    dir.write("pixtrail.ini", "[Settings]\r\n");
    MainWindowModel w2;
    LoadControlSettings(w2, dir.file("pixtrail.ini"));
    EXPECT_EQ(w2.control("txtDelay").text, "10");
}

TEST(SettingsStore, LoadingRunsTheWindowsOwnHandling) {
    TempFolder dir;
    dir.write("pixtrail.ini", "[Settings]\r\nshrinkwidth=12345\r\nonlyspoiler=0\r\n"
                              "shrinkpics=1\r\nignorenospoiler=rubbish\r\ndelunused=7\r\n"
                              "recheck= 1 \r\n");
    MainWindowModel w;
    LoadControlSettings(w, dir.file("pixtrail.ini"));
    EXPECT_EQ(w.control("txtWidth").text, "1234");
    EXPECT_FALSE(w.control("txtOnlyWords").enabled);
    EXPECT_TRUE(w.control("txtWidth").enabled);
    EXPECT_TRUE(w.control("txtHeight").enabled);
    EXPECT_EQ(w.control("chkIgnoreNoSpoil").value, 0); // not a number
    EXPECT_FALSE(w.control("txtIgnoreWords").enabled);
    EXPECT_EQ(w.control("chkDelUnused").value, 1); // out of range: ticked
    EXPECT_EQ(w.control("chkRecheck").value, 1);
}

TEST(SettingsStore, SavingKeepsTheRestOfTheFile) {
    TempFolder dir;
    const std::string before = "; my notes\r\n[Network]\r\ncachehost=127.0.0.1:9\r\n"
                               "[Settings]\r\ndelay=3\r\n";
    dir.write("pixtrail.ini", before);
    MainWindowModel w;
    LoadControlSettings(w, dir.file("pixtrail.ini"));
    w.setText("txtDelay", "4");
    SaveControlSettings(w, dir.file("pixtrail.ini"));
    const std::string after = dir.read("pixtrail.ini");
    EXPECT_EQ(
        after.rfind("; my notes\r\n[Network]\r\ncachehost=127.0.0.1:9\r\n[Settings]\r\ndelay=4\r\n"
                    "forcegc=0\r\n",
                    0),
        0u);
}

TEST(SettingsStore, TagsDecideWhatIsASetting) {
    TempFolder dir;
    const std::string ini = dir.file("t.ini");
    dir.write("t.ini", "[Settings]\r\nforeign=changed\r\nnotes=one\xFAtwo\r\nmode=CAREFUL\r\n");
    TaggedWindow w;
    LoadControlSettings(w, ini);
    EXPECT_EQ(w.control("txtLower").text, "");            // lower-case marker, empty default
    EXPECT_EQ(w.control("txtForeign").text, "untouched"); // not "Reg": left alone
    EXPECT_EQ(w.control("txtNotes").text, "one\r\ntwo");
    EXPECT_EQ(w.control("cboMode").listIndex, 1);
    EXPECT_EQ(w.control("cboMode").text, "Careful");

    w.setText("txtLower", "low");
    w.setText("txtNotes", "a\r\nb");
    SaveControlSettings(w, ini);
    EXPECT_EQ(dir.read("t.ini"), "[Settings]\r\nforeign=changed\r\nnotes=a\xFA"
                                 "b\r\nmode=Careful\r\n[Other]\r\nlowerkey=low\r\n");
}
