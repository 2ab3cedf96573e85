#pragma once

#include <windows.h>

#include <filesystem>

namespace pixtrail::win {

/// Saves what the screen shows of the window, its frame included, as a PNG file (for the
/// documentation's pictures). False when nothing could be saved.
bool saveWindowPicture(HWND window, const std::filesystem::path& file);

} // namespace pixtrail::win
