#pragma once

#include "shell/window_model.hpp"

#include <string>

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

/// The tag of a setting: "Reg!Settings!" + key + "!0!" + default.
std::string settingTag(std::string_view key, std::string_view defaultValue);

} // namespace pixtrail::shell
