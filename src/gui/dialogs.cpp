#include "gui/dialogs.hpp"

#include <QCoreApplication>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

namespace pixtrail::gui {
namespace {

QMessageBox::Icon iconOf(shell::MessageKind kind) {
    switch (kind) {
    case shell::MessageKind::Warning:
        return QMessageBox::Warning;
    case shell::MessageKind::Information:
        return QMessageBox::Information;
    case shell::MessageKind::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::Warning;
}

} // namespace

QTranslator* loadQtTranslations(const QLocale& locale) {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return nullptr;
    }
    QCoreApplication::installTranslator(translator);
    return translator;
}

void showMessageBox(QWidget* parent, shell::MessageKind kind, const QString& title,
                    const QString& text) {
    QMessageBox box(iconOf(kind), title, text, QMessageBox::Ok, parent);
    // Texts carry file names, captions and page titles: never let one be taken for markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool askYesNoBox(QWidget* parent, shell::QuestionIcon icon, const QString& title,
                 const QString& text) {
    const auto sign =
        icon == shell::QuestionIcon::Question ? QMessageBox::Question : QMessageBox::NoIcon;
    QMessageBox box(sign, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    box.exec();
    return box.clickedButton() == box.button(QMessageBox::Yes);
}

QString chooseWaypointFile(QWidget* parent, const QString& current) {
    return QFileDialog::getOpenFileName(
        parent, QString(), current, QStringLiteral("waypoint files (*.gpx *.loc);;All files (*)"));
}

QString chooseFolder(QWidget* parent, const QString& title, const QString& current) {
    return QFileDialog::getExistingDirectory(parent, title, current, QFileDialog::ShowDirsOnly);
}

} // namespace pixtrail::gui
