#pragma once

#include "shell/frontend.hpp"

#include <atomic>

class QThread;

namespace pixtrail::gui {

class MainWindow;

/// The Frontend port on the Qt window. The core calls it from the run's thread; every
/// call is carried to the window's thread, in order. Message boxes and questions block the
/// calling thread until the user has answered them; everything else is queued. Called on
/// the window's own thread (start-up, Stop), it acts at once.
class QtFrontend : public shell::Frontend {
public:
    /// The window the calls act on, from now on. Call on the window's thread.
    void attach(MainWindow* window);
    /// From now on nothing reaches the window and questions are answered No at once: for
    /// taking the window down while a run may still be returning.
    void detach();

    void showMessage(shell::MessageKind kind, const std::string& title,
                     const std::string& text) override;
    bool askYesNo(const std::string& title, const std::string& text,
                  shell::QuestionIcon icon) override;
    void progressCleared() override;
    void progressLineAdded(int index, const std::string& text) override;
    void progressLineChanged(int index, const std::string& text) override;
    void progressLineSelected(int index) override;
    void progressValueChanged(int percent) override;
    void captionChanged(const std::string& caption) override;
    void busyChanged(bool busy) override;
    void runButtonsChanged(bool runActive) override;
    /// The window's thread runs its own event loop, so the run need not lend it time; on
    /// the window's thread the caller returns to that loop soon anyway.
    void pumpEvents() override {}

private:
    bool onWindowThread() const;
    template <class Action> void post(Action action);
    template <class Action> void postAndWait(Action action);

    MainWindow* m_window = nullptr;
    QThread* m_windowThread = nullptr;
    std::atomic<bool> m_detached{false};
};

} // namespace pixtrail::gui
