#include "gui/qt_frontend.hpp"

#include "gui/dialogs.hpp"
#include "gui/main_window.hpp"
#include "gui/text_edge.hpp"

#include <QMetaObject>
#include <QThread>

namespace pixtrail::gui {

void QtFrontend::attach(MainWindow* window) {
    m_window = window;
    m_windowThread = window->thread();
    m_detached = false;
}

void QtFrontend::detach() {
    m_detached = true;
}

bool QtFrontend::onWindowThread() const {
    return QThread::currentThread() == m_windowThread;
}

// Queued calls are dropped by Qt when the window has gone, and skipped once detached.
template <class Action> void QtFrontend::post(Action action) {
    if (m_detached || !m_window)
        return;
    if (onWindowThread()) {
        action();
        return;
    }
    QMetaObject::invokeMethod(
        m_window,
        [this, action = std::move(action)]() mutable {
            if (!m_detached)
                action();
        },
        Qt::QueuedConnection);
}

template <class Action> void QtFrontend::postAndWait(Action action) {
    if (m_detached || !m_window)
        return;
    if (onWindowThread()) {
        action();
        return;
    }
    QMetaObject::invokeMethod(
        m_window,
        [this, &action] {
            if (!m_detached)
                action();
        },
        Qt::BlockingQueuedConnection);
}

void QtFrontend::showMessage(shell::MessageKind kind, const std::string& title,
                             const std::string& text) {
    postAndWait(
        [this, kind, t = toQt(title), x = toQt(text)] { showMessageBox(m_window, kind, t, x); });
}

bool QtFrontend::askYesNo(const std::string& title, const std::string& text,
                          shell::QuestionIcon icon) {
    bool yes = false;
    postAndWait([this, &yes, icon, t = toQt(title), x = toQt(text)] {
        yes = askYesNoBox(m_window, icon, t, x);
    });
    return yes;
}

void QtFrontend::progressCleared() {
    post([this] { m_window->clearProgress(); });
}

void QtFrontend::progressLineAdded(int index, const std::string& text) {
    post([this, index, t = toQt(text)] { m_window->setProgressLine(index, t); });
}

void QtFrontend::progressLineChanged(int index, const std::string& text) {
    post([this, index, t = toQt(text)] { m_window->setProgressLine(index, t); });
}

void QtFrontend::progressLineSelected(int index) {
    post([this, index] { m_window->selectProgressLine(index); });
}

void QtFrontend::progressValueChanged(int percent) {
    post([this, percent] { m_window->setProgressValue(percent); });
}

void QtFrontend::captionChanged(const std::string& caption) {
    post([this, c = toQt(caption)] { m_window->setWindowTitle(c); });
}

void QtFrontend::busyChanged(bool busy) {
    post([this, busy] { m_window->setBusy(busy); });
}

// Which of Start and Stop shows follows the model (dobuttons changes their visibility);
// the window mirrors that change like any other.
void QtFrontend::runButtonsChanged(bool) {}

} // namespace pixtrail::gui
