#pragma once

#include "shell/window_model.hpp"

#include <string_view>

// Every persistent setting is the value of one control, and the control's tag says where
// it lives: "Reg!section!key!flag!default". Adding a tagged control adds a setting; no
// other code knows the list.
namespace pixtrail::shell {

/// Character that stands for CR LF when a multi-line box is stored on one INI line.
constexpr char kStoredLineBreak = static_cast<char>(250);

/// Fills every tagged control of the window from the settings file. Setting a value
/// raises the control's own change handling, as a user edit would.
void LoadControlSettings(WindowModel& window, std::string_view settingsFile);

/// Writes every tagged control's current value to the settings file.
void SaveControlSettings(const WindowModel& window, std::string_view settingsFile);

} // namespace pixtrail::shell
