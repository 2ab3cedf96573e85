#include "shell/main_window.hpp"

#include "shell/version.hpp"

namespace pixtrail::shell {
namespace {

Control make(std::string name, ControlKind kind, Rect rect, std::string caption = {},
             std::string toolTip = {}) {
    Control c;
    c.name = std::move(name);
    c.kind = kind;
    c.rect = rect;
    c.caption = std::move(caption);
    c.toolTip = std::move(toolTip);
    return c;
}

Control setting(Control c, std::string_view key, std::string_view defaultValue) {
    c.tag = settingTag(key, defaultValue);
    return c;
}

constexpr int kRowHeight = 285;
constexpr int kFullWidth = 6255;
constexpr int kLeft = 120;

bool isDigitField(const Control& c) {
    return c.name == "txtDelay" || c.name == "txtWidth" || c.name == "txtHeight";
}

} // namespace

std::string settingTag(std::string_view key, std::string_view defaultValue) {
    return "Reg!Settings!" + std::string(key) + "!0!" + std::string(defaultValue);
}

MainWindowModel::MainWindowModel(std::string homePageHost) {
    using K = ControlKind;
    setCaption(windowTitle());
    const std::string sameTip = "When ticked, ensures only likely spoilers are downloaded.";

    // The settings, in control order.
    add(setting(make("chkForceGC", K::CheckBox, {kLeft, 1200, kFullWidth, 255},
                     "Force waypoint names to GC prefix when processing GPX files",
                     "If ticked, when waypoint names are prefixed for example with TS they "
                     "are converted to GC."),
                "forcegc", "0"));
    Control ignoreWords =
        make("txtIgnoreWords", K::TextBox, {720, 2400, 5655, kRowHeight}, {},
             "Optional comma separated list of words any of which MUST NOT BE in the caption.");
    ignoreWords.enabled = false;
    add(setting(ignoreWords, "ignorewords", ""));
    Control onlyWords =
        make("txtOnlyWords", K::TextBox, {720, 1800, 5655, kRowHeight}, {},
             "Optional comma separated list of words any of which MUST BE in the caption.");
    onlyWords.enabled = false;
    add(setting(onlyWords, "onlywords", ""));
    add(setting(make("txtDelay", K::TextBox, {4680, 4560, 495, kRowHeight}, {},
                     "Number of seconds to wait between requesting web pages."),
                "delay", "10"));
    add(setting(make("chkNoTxt", K::CheckBox, {kLeft, 3840, kFullWidth, 255},
                     "Create a summary \"no spoiler found\" file",
                     "When ticked, only a summary file is created where no spoilers are found "
                     "rather than individual files."),
                "onlysummary", "1"));
    add(setting(make("chkDohtml", K::CheckBox, {kLeft, 3480, kFullWidth, 255},
                     "Create web pages for spoilers and index.html",
                     "When ticked, mini-webpages will be created for the spoilers."),
                "dohtml", "1"));
    add(setting(make("chkRecheck", K::CheckBox, {kLeft, 2760, kFullWidth, 255},
                     "Check for new spoilers on previously processed",
                     "Causes previously downloaded spoilers to be refeshed."),
                "recheck", "0"));
    Control width = make("txtWidth", K::TextBox, {5880, 3120, 495, kRowHeight}, {},
                         "Width of saved spoilers (pixels)");
    width.enabled = false;
    add(setting(width, "shrinkwidth", "300"));
    Control height = make("txtHeight", K::TextBox, {4680, 3120, 495, kRowHeight}, {},
                          "Height of saved spoilers (pixels)");
    height.enabled = false;
    add(setting(height, "shrinkheight", "300"));
    add(setting(make("chkResize", K::CheckBox, {kLeft, 3120, 3855, 255}, "Shrink pictures to",
                     "Downloaded JPG images will be shrunk to reduce size."),
                "shrinkpics", "1"));
    add(setting(make("chkIgnoreNoSpoil", K::CheckBox, {kLeft, 2160, kFullWidth, 255},
                     "Ignore pictures with \"no/not spoiler\" in the caption", sameTip),
                "ignorenospoiler", "1"));
    add(setting(make("chkOnlySpoil", K::CheckBox, {kLeft, 1560, kFullWidth, 255},
                     "Only download pictures with \"spoiler\" in the caption", sameTip),
                "onlyspoiler", "1"));
    add(setting(make("chkDelUnused", K::CheckBox, {kLeft, 840, kFullWidth, 255},
                     "Delete previous pictures not in current waypoint file",
                     "If ticked, when caches are removed from your waypoint file - spoilers "
                     "will be deleted."),
                "delunused", "1"));
    add(setting(make("txtSpoilerFolder", K::TextBox, {2040, 480, 3855, kRowHeight}, {},
                     "Specify folder location for spoilers to be downloaded to"),
                "Spoilerfolder", ""));
    add(setting(make("txtWpFile", K::TextBox, {2040, 120, 3855, kRowHeight}), "Waypointfile", ""));
    Control autoUpdate = make("chkAutoUpdate", K::CheckBox, {kLeft, 7680, kFullWidth, 255},
                              "Automatically update program to latest release");
    autoUpdate.visible = false; // the setting is kept, the box is never shown
    add(setting(autoUpdate, "autoupdate", "1"));
    // Last among the settings: settings files written before it keep their order.
    add(setting(make("chkGarminPhotos", K::CheckBox, {kLeft, 4200, kFullWidth, 255},
                     "Also arrange spoilers for Garmin handhelds (GeocachePhotos)",
                     "When ticked, the spoilers are also arranged in a folder named Garmin "
                     "inside the spoiler folder. Copy that Garmin folder to the root of the "
                     "device's internal memory."),
                "garminphotos", "0"));

    // The rest of the window.
    add(make("cmdWaypointopen", K::Button, {6000, 120, 375, kRowHeight}, "...",
             "Open file browser to choose waypoint file"));
    Control cmdLine =
        make("txtcmd", K::TextBox, {2040, 120, 3855, kRowHeight}, {}, "Choose waypoint file");
    cmdLine.visible = false;
    cmdLine.enabled = false;
    add(cmdLine);
    add(make("cmdSpoileropen", K::Button, {6000, 480, 375, kRowHeight}, "...",
             "Open file browser to choose spoiler folder"));
    add(make("cmdSync", K::Button, {kLeft, 7200, 1455, 375}, "Start",
             "Process current waypoint file"));
    Control stop = make("cmdStop", K::Button, {kLeft, 7200, 1455, 375}, "Stop");
    stop.visible = false;
    add(stop);
    add(make("lstProgress", K::ListBox, {kLeft, 4920, kFullWidth, 1860}, {},
             "List of waypoints processed"));
    Control sort = make("lstSort", K::ListBox, {kLeft, 4920, 1215, 255});
    sort.visible = false;
    add(sort);
    add(make("ProgressBar1", K::ProgressBar, {kLeft, 6840, kFullWidth, 255}, {}, "Progress bar"));
    Control timer = make("Timer1", K::Timer, {});
    timer.enabled = false;
    add(timer);
    add(make("Inet1", K::InternetTransfer, {}));
    add(make("CommonDialog1", K::CommonDialog, {}));
    for (const char* name : {"Picture1", "Picture2"}) {
        Control picture = make(name, K::PictureBox, {});
        picture.visible = false;
        add(picture);
    }

    struct LabelSpec {
        const char* caption;
        Rect rect;
    };
    const LabelSpec labels[] = {
        {"Waypoint file", {kLeft, 150, 1815, 255}},
        {"Spoiler folder", {kLeft, 510, 1815, 255}},
        {"height", {4080, 3150, 555, 255}},
        {"width", {5280, 3150, 555, 255}},
        {"Delay between web requests", {kLeft, 4590, 4455, 255}},
        {"seconds", {5280, 4590, 1095, 255}},
        {"or", {kLeft, 1830, 495, 255}},
        {"or", {kLeft, 2430, 495, 255}},
    };
    for (int i = 0; i < 8; ++i) {
        Control label = make("Label1", K::Label, labels[i].rect, labels[i].caption);
        label.index = i;
        add(label);
    }
    add(make("Label2", K::Label, {3840, 7320, 2535, 255}, homePageHost + "/pixtrail",
             "Click on this link for home page"));
}

const std::vector<LayoutRow>& mainWindowArrangement() {
    auto cell = [](const char* name, int index = -1) { return LayoutCell{name, index}; };
    auto field = [](const char* name) { return LayoutCell{name, -1, true}; };
    const LayoutCell spring;
    static const std::vector<LayoutRow> rows = {
        {{cell("Label1", 0),
          field("txtWpFile"),
          {"txtcmd", -1, true, true},
          cell("cmdWaypointopen")},
         true},
        {{cell("Label1", 1), field("txtSpoilerFolder"), cell("cmdSpoileropen")}, true},
        {{cell("chkDelUnused")}},
        {{cell("chkForceGC")}},
        {{cell("chkOnlySpoil")}},
        {{cell("Label1", 6), field("txtOnlyWords")}},
        {{cell("chkIgnoreNoSpoil")}},
        {{cell("Label1", 7), field("txtIgnoreWords")}},
        {{cell("chkRecheck")}},
        {{cell("chkResize"), spring, cell("Label1", 2), cell("txtHeight"), cell("Label1", 3),
          cell("txtWidth")}},
        {{cell("chkDohtml")}},
        {{cell("chkNoTxt")}},
        {{cell("chkGarminPhotos")}},
        {{cell("Label1", 4), cell("txtDelay"), cell("Label1", 5), spring}},
        {{field("lstProgress")}, false, true},
        {{field("ProgressBar1")}},
        {{cell("cmdSync"), {"cmdStop", -1, false, true}, spring, cell("Label2")}},
    };
    return rows;
}

StartPress cmdSync_MouseDown(int button, int shift) {
    return {button != 1 || shift != 0, shift >= 3};
}

std::string refusedTextWarning(const WindowModel& window, std::string_view field) {
    static const std::pair<const char*, std::pair<const char*, int>> kCaptions[] = {
        {"txtWpFile", {"Label1", 0}},
        {"txtSpoilerFolder", {"Label1", 1}},
        {"txtOnlyWords", {"chkOnlySpoil", -1}},
        {"txtIgnoreWords", {"chkIgnoreNoSpoil", -1}}};
    std::string caption(field);
    for (const auto& [box, label] : kCaptions)
        if (field == box)
            caption = window.control(label.first, label.second).caption;
    return "Pixtrail cannot use this text in \"" + caption +
           "\", because it contains characters outside the Western European character set:\n";
}

void MainWindowModel::onClick(Control& control) {
    const bool ticked = control.value != 0;
    if (control.name == "chkOnlySpoil") {
        setEnabled("txtOnlyWords", ticked);
    } else if (control.name == "chkIgnoreNoSpoil") {
        setEnabled("txtIgnoreWords", ticked);
    } else if (control.name == "chkResize") {
        setEnabled("txtHeight", ticked);
        setEnabled("txtWidth", ticked);
    }
}

void MainWindowModel::onChange(Control& control) {
    if ((control.name == "txtWidth" || control.name == "txtHeight") && control.text.size() > 4)
        setText(control.name, control.text.substr(0, 4));
}

bool MainWindowModel::onKeyPress(Control& control, char typed) {
    if (!isDigitField(control))
        return true;
    return (typed >= '0' && typed <= '9') || typed == '\b';
}

} // namespace pixtrail::shell
