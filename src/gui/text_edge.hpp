#pragma once

#include <QString>

#include <string>
#include <string_view>

// The core's text is Windows-1252, Qt's is Unicode. The window converts here and nowhere
// else, on its way in and on its way out.
namespace pixtrail::gui {

/// Core text for display; the core's CR LF line break becomes a plain one.
QString toQt(std::string_view ansi);

/// Text from the window for the core; characters the code page lacks become '?'.
std::string fromQt(const QString& text);

/// True when every character of the text has a place in the code page, so that a path
/// arrives in the core as the same path.
bool fitsCodePage(const QString& text);

} // namespace pixtrail::gui
