#pragma once

#include "shell/frontend.hpp"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace pixtrail::cli {

/// The terminal as the run's user interface. Progress lines go to stdout once they are
/// final (the selection has moved past them, or the run is over); warnings go to stderr.
/// When stdout is a terminal, a status line under the result lines shows how far the run
/// is, the caches done, the time taken and left, and the current line with its countdown;
/// it is redrawn in place and erased when the run ends.
class ConsoleFrontend : public shell::Frontend {
public:
    ConsoleFrontend();

    void showMessage(shell::MessageKind kind, const std::string& title,
                     const std::string& text) override;
    bool askYesNo(const std::string& title, const std::string& text,
                  shell::QuestionIcon icon) override;
    void progressCleared() override;
    void progressLineAdded(int index, const std::string& text) override;
    void progressLineChanged(int index, const std::string& text) override;
    void progressLineSelected(int index) override;
    void progressValueChanged(int percent) override;
    void captionChanged(const std::string&) override {}
    void busyChanged(bool) override {}
    void runButtonsChanged(bool runActive) override;
    void pumpEvents() override;

    /// Called from pumpEvents when Ctrl-C was pressed since the last call.
    void setInterruptHandler(std::function<void()> handler) { m_onInterrupt = std::move(handler); }

    /// Prints every line not printed yet.
    void flush();

private:
    void printFinalLines(int upTo);
    void clearStatus();
    /// Redraws the status line; unless `now`, only when the last drawing is a while ago.
    void drawStatus(bool now);
    std::string statusText(std::chrono::steady_clock::time_point now) const;

    std::vector<std::string> m_lines;
    int m_printed = 0;
    int m_selected = -1;
    int m_percent = 0;
    bool m_statusShown = false;
    bool m_terminal = false;
    bool m_running = false;
    std::chrono::steady_clock::time_point m_started;
    std::chrono::steady_clock::time_point m_lastDraw;
    std::string m_statusDrawn;
    std::function<void()> m_onInterrupt;
};

} // namespace pixtrail::cli
