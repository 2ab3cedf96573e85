#pragma once

#include "shell/frontend.hpp"

#include <QString>

class QLocale;
class QTranslator;
class QWidget;

// The window's modal dialogs. Each blocks until the user has answered it.
namespace pixtrail::gui {

/// Installs Qt's own translations for `locale` (the Yes, No and OK of message boxes, the
/// file dialogs), where Qt has them; nullptr when there are none for it.
QTranslator* loadQtTranslations(const QLocale& locale);

/// A message box with one OK button and the icon of its kind.
void showMessageBox(QWidget* parent, shell::MessageKind kind, const QString& title,
                    const QString& text);

/// A question with Yes and No; No is the default and also the answer to Escape or to
/// closing the box. True only for Yes.
bool askYesNoBox(QWidget* parent, shell::QuestionIcon icon, const QString& title,
                 const QString& text);

/// The file-open dialog for a waypoint file, preset with `current`. Empty when cancelled.
QString chooseWaypointFile(QWidget* parent, const QString& current);

/// The folder picker titled `title`, with `current` preselected. Empty when cancelled.
QString chooseFolder(QWidget* parent, const QString& title, const QString& current);

} // namespace pixtrail::gui
