#pragma once

#include "gui/control_mirror.hpp"
#include "shell/main_window.hpp"

#include <QWidget>

#include <string>

namespace pixtrail::gui {

/// The window `frmMain`: the Qt face of the main window model. The model stays the one
/// place of the window's state; user edits go into it through its setters, so typing,
/// clicking and loading settings raise the same handling (interlocks, digit filter, the
/// 4-character cut), and every change of the model is mirrored back here.
///
/// Model access: the window touches the model only while no run owns it. From the press of
/// Start to the end of the run the run's thread owns it; then the controls that would edit
/// the model take no input (`setRunOwnsModel`), and the model's changes arrive as copies.
class MainWindow : public QWidget {
    Q_OBJECT

public:
    explicit MainWindow(shell::MainWindowModel& model, QWidget* parent = nullptr);
    ~MainWindow() override;

    const ControlMirror& mirror() const { return m_mirror; }

    /// Shows a copy of a changed control. Window's thread only.
    void showControl(const shell::Control& snapshot);

    /// While a run owns the model, the window neither reads nor writes it.
    void setRunOwnsModel(bool owned);
    bool runOwnsModel() const { return m_mirror.locked(); }

    /// Opens the window centred on its screen, at `size` when that is not smaller than the
    /// window may be (a size the user gave it before).
    void showCentred(QSize size = {});

    // The progress list, the progress bar and the busy pointer (the Frontend port's view).
    void clearProgress();
    /// Sets a line, adding empty lines up to it when needed: lines from Stop (this thread)
    /// and from the run (queued) may arrive in either order.
    void setProgressLine(int index, const QString& text);
    void selectProgressLine(int index);
    void setProgressValue(int percent);
    void setBusy(bool busy);

signals:
    /// A mouse press on Start, before the click is handled.
    void startPressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void startClicked();
    void stopClicked();
    /// The user closes the window (the close box, Alt+F4, the window menu).
    void closeRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void arrange();
    void updateMinimumSize();
    void focusRunButton();
    void focusMoved(QWidget* now);
    void connectControls();
    void orderTabs();
    bool filterTyping(const ControlMirror::Entry& entry, QKeyEvent* key);
    void userEditedText(const std::string& name, const QString& text);
    void userClickedBox(const std::string& name, Qt::CheckState state);
    void setModelText(const std::string& name, const QString& text);
    void browseWaypointFile();
    void browseSpoilerFolder();
    void takeChosenPath(const std::string& name, const QString& chosen);
    void refuseText(const std::string& name, const QString& text);
    void openHomePage();

    shell::MainWindowModel& m_model;
    ControlMirror m_mirror;
    QSize m_designed;
    bool m_busy = false;
    bool m_keyboardOnRunButton = false; ///< the user left the keyboard on Start or Stop
    bool m_movingFocus = false;         ///< the window, not the user, moves the focus now
};

} // namespace pixtrail::gui
