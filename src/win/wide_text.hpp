#pragma once

#include <string>
#include <string_view>

// The core's text is Windows-1252, the window's is UTF-16. The window converts here and
// nowhere else, whatever code page the system is set to.
namespace pixtrail::win {

/// Core text for display.
std::wstring toWide(std::string_view ansi);

/// Text from the window for the core; characters the code page lacks become '?', and `ok`
/// (when given) tells whether that happened.
std::string fromWide(std::wstring_view wide, bool* ok = nullptr);

/// UTF-8 (paths the system hands over) as UTF-16, and back.
std::wstring wideFromUtf8(std::string_view utf8);
std::string utf8FromWide(std::wstring_view wide);

} // namespace pixtrail::win
