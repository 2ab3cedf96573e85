#pragma once

#include "shell/ini_file.hpp"
#include "shell/window_model.hpp"

#include <string>
#include <string_view>
#include <vector>

// Every persistent setting is the value of one control, and the control's tag says where
// it lives: "Reg!section!key!flag!default". Adding a tagged control adds a setting; no
// other code knows the list.
namespace pixtrail::shell {

/// Character that stands for CR LF when a multi-line box is stored on one INI line.
constexpr char kStoredLineBreak = static_cast<char>(250);

/// Fills every tagged control of the window from the settings file. Setting a value
/// raises the control's own change handling, as a user edit would. A value holding
/// characters Windows-1252 lacks (possible in a UTF-8 file) is not used: its control keeps
/// the default, and its key is returned so the user can be told.
std::vector<std::string> LoadControlSettings(WindowModel& window, std::string_view settingsFile);

/// Writes every tagged control's current value to the settings file, with one read and one
/// atomic write. A stored value that could not be used when loading is left as it is while
/// its control still holds the default it got instead.
IniWriteResult SaveControlSettings(const WindowModel& window, std::string_view settingsFile);

} // namespace pixtrail::shell
