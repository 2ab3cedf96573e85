#pragma once

#include "shell/frontend.hpp"

#include <windows.h>

#include <string>

// The window's modal dialogs, the system's own. Each blocks until the user has answered.
namespace pixtrail::win {

/// A message box with one OK button and the icon of its kind.
void showMessageBox(HWND owner, shell::MessageKind kind, const std::wstring& title,
                    const std::wstring& text);

/// A question with Yes and No; No is the default and the answer to Escape. True only for Yes.
bool askYesNoBox(HWND owner, shell::QuestionIcon icon, const std::wstring& title,
                 const std::wstring& text);

/// The common file-open dialog for a waypoint file, preset with `current`. Empty when
/// cancelled.
std::wstring chooseWaypointFile(HWND owner, const std::wstring& current);

/// `BrowseForFolder`: the shell's folder picker owned by `owner`, titled `title`, opening
/// on `current`, with the selected folder's path as its status text. Empty when cancelled.
std::wstring BrowseForFolder(HWND owner, const std::wstring& title, const std::wstring& current);

} // namespace pixtrail::win
