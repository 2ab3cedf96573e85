#pragma once

#include "shell/window_model.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace pixtrail::shell {

/// The host shown in the home-page link; the link's caption starts with "www" so that
/// translation leaves it alone.
constexpr const char* kDefaultHomePageHost = "www.pixtrail.app";

/// The main window `frmMain` as a model: every control with its caption, tooltip, tag,
/// initial state and place, and the window's own change handling (the three interlocks,
/// digit-only typing in the number fields, the 4-character cut of the size fields).
///
/// Control order puts the seventeen settings first, in the order a fresh settings file
/// lists them, then the rest of the window.
class MainWindowModel : public WindowModel {
public:
    explicit MainWindowModel(std::string homePageHost = kDefaultHomePageHost);

protected:
    void onChange(Control& control) override;
    void onClick(Control& control) override;
    bool onKeyPress(Control& control, char typed) override;
};

/// One place in a row of the window's arrangement: a control, or (empty name) a spring that
/// takes the row's spare width. A control `overlaid` shares the place of the cell before it
/// (txtcmd over txtWpFile, Stop over Start): one of the two shows.
struct LayoutCell {
    std::string name;
    int index = -1;
    bool fills = false; ///< takes the row's spare width (text boxes)
    bool overlaid = false;
};

/// A row of the arrangement, top to bottom. Field rows line up in three columns (caption,
/// field, browse button); the growing row takes the window's spare height.
struct LayoutRow {
    std::vector<LayoutCell> cells;
    bool fieldRow = false;
    bool grows = false;
};

/// The window's arrangement, which every front end lays out from its own measured texts, so
/// that a caption of any length in any font shows whole.
const std::vector<LayoutRow>& mainWindowArrangement();

/// What a mouse press on Start does before its click: with the button (left = 1) and the
/// modifier mask (Shift 1, Ctrl 2, Alt 4), another button or any modifier forgets the date
/// of the next update check, and a mask of 3 or more turns debug mode on (else off).
struct StartPress {
    bool clearNextUpdateDate = false;
    bool debugMode = false;
};
StartPress cmdSync_MouseDown(int button, int shift);

/// The warning for text a field cannot take because the code page lacks some of its
/// characters, naming the field by the caption the user sees beside it; the front end
/// appends the refused text in its own encoding.
std::string refusedTextWarning(const WindowModel& window, std::string_view field);

/// The tag of a setting: "Reg!Settings!" + key + "!0!" + default.
std::string settingTag(std::string_view key, std::string_view defaultValue);

} // namespace pixtrail::shell
