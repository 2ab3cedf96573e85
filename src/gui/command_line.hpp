#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <string>

namespace pixtrail::gui {

/// The program's arguments as the core reads its command line: joined by spaces, in
/// Windows-1252. Nothing when an argument holds a character the code page lacks (it is
/// put into `refused`): such a path would reach the core as another path, with '?' in it,
/// which a run could then create or overwrite.
std::optional<std::string> commandLineText(const QStringList& arguments,
                                           QString* refused = nullptr);

} // namespace pixtrail::gui
