#include "win/win_frontend.hpp"

#include "win/dialogs.hpp"
#include "win/main_window.hpp"
#include "win/wide_text.hpp"

#include <memory>

namespace pixtrail::win {

bool postToWindow(HWND window, std::function<void()> action) {
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
        action();
        return true;
    }
    auto call = std::make_unique<std::function<void()>>(std::move(action));
    if (!PostMessageW(window, kCallMessage, 0, reinterpret_cast<LPARAM>(call.get())))
        return false;
    call.release(); // the window procedure owns it now
    return true;
}

void WinFrontend::attach(MainWindow* window) {
    m_window = window;
    m_windowThread = GetCurrentThreadId();
    m_detached = false;
}

void WinFrontend::detach() {
    m_detached = true;
}

// Posted calls check the flag again when they run: detaching happens on the window's thread,
// between two of them.
void WinFrontend::post(std::function<void()> action) {
    if (m_detached || !m_window)
        return;
    postToWindow(m_window->handle(), [this, action = std::move(action)] {
        if (!m_detached)
            action();
    });
}

// The call waits for its turn behind what was posted before it, so a message box never shows
// before the progress lines that led to it.
void WinFrontend::postAndWait(const std::function<void()>& action) {
    if (m_detached || !m_window)
        return;
    if (onWindowThread()) {
        action();
        return;
    }
    auto done = std::shared_ptr<void>(CreateEventW(nullptr, TRUE, FALSE, nullptr), CloseHandle);
    const bool posted = postToWindow(m_window->handle(), [this, &action, done] {
        if (!m_detached)
            action();
        SetEvent(done.get());
    });
    if (!posted)
        return;
    // Once detached the answer may never come: give up waiting then.
    while (WaitForSingleObject(done.get(), 100) == WAIT_TIMEOUT)
        if (m_detached)
            return;
}

void WinFrontend::showMessage(shell::MessageKind kind, const std::string& title,
                              const std::string& text) {
    postAndWait([this, kind, t = toWide(title), x = toWide(text)] {
        showMessageBox(m_window->handle(), kind, t, x);
    });
}

bool WinFrontend::askYesNo(const std::string& title, const std::string& text,
                           shell::QuestionIcon icon) {
    bool yes = false;
    postAndWait([this, &yes, icon, t = toWide(title), x = toWide(text)] {
        yes = askYesNoBox(m_window->handle(), icon, t, x);
    });
    return yes;
}

void WinFrontend::progressCleared() {
    post([this] { m_window->clearProgress(); });
}

void WinFrontend::progressLineAdded(int index, const std::string& text) {
    post([this, index, t = toWide(text)] { m_window->setProgressLine(index, t); });
}

void WinFrontend::progressLineChanged(int index, const std::string& text) {
    post([this, index, t = toWide(text)] { m_window->setProgressLine(index, t); });
}

void WinFrontend::progressLineSelected(int index) {
    post([this, index] { m_window->selectProgressLine(index); });
}

void WinFrontend::progressValueChanged(int percent) {
    post([this, percent] { m_window->setProgressValue(percent); });
}

void WinFrontend::captionChanged(const std::string& caption) {
    post([this, c = toWide(caption)] { m_window->setCaption(c); });
}

void WinFrontend::busyChanged(bool busy) {
    post([this, busy] { m_window->setBusy(busy); });
}

} // namespace pixtrail::win
