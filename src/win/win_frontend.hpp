#pragma once

#include "shell/frontend.hpp"

#include <windows.h>

#include <atomic>
#include <functional>

namespace pixtrail::win {

class MainWindow;

/// Runs `action` on the thread of `window`: at once when called there, else posted behind
/// every call posted before it. False when it could not be posted (the window is gone).
bool postToWindow(HWND window, std::function<void()> action);

/// The Frontend port on the Win32 window. The core calls it from the run's thread; every
/// call is carried to the window's thread in order (posted messages). Message boxes and
/// questions block the calling thread until the user has answered; everything else is
/// queued. Called on the window's own thread (start-up, Stop), it acts at once.
class WinFrontend : public shell::Frontend {
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
    /// Start and Stop follow the model's visibility, which the window mirrors.
    void runButtonsChanged(bool) override {}
    /// The window's thread runs its own message loop, so the run need not lend it time.
    void pumpEvents() override {}

private:
    bool onWindowThread() const { return GetCurrentThreadId() == m_windowThread; }
    void post(std::function<void()> action);
    void postAndWait(const std::function<void()>& action);

    MainWindow* m_window = nullptr;
    DWORD m_windowThread = 0;
    std::atomic<bool> m_detached{false};
};

} // namespace pixtrail::win
