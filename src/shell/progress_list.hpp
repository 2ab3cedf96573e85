#pragma once

#include "shell/frontend.hpp"

#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace pixtrail::shell {

/// The progress list of a run: one line per event, the selected line being the current
/// line into which a waypoint's result is written. Stop (from the window's thread) and the
/// run (from its own) both change it, hence the lock. Every change reaches the frontend
/// while the lock is held, so the frontend sees the changes in the order they were made.
class ProgressList {
public:
    explicit ProgressList(Frontend& frontend) : m_frontend(frontend) {}

    void clear();
    /// Appends a line and selects it; returns its index.
    int add(const std::string& text);
    /// Appends a line and shows it, leaving the line that was current the current one, in
    /// one step that no other thread's change can come between.
    void addKeepingCurrent(const std::string& text);
    void setLine(int index, const std::string& text);
    /// Sets the text of the current line, whichever it is at that moment.
    void setCurrentLine(const std::string& text);
    void select(int index);
    /// Marks a line whose result comes later (its pictures are still being stored, while
    /// the run goes on with the next waypoint): the frontend is not told that the selection
    /// moved past it until it is released, so whatever prints the lines it has moved past
    /// (a console) prints only final ones.
    void hold(int index);
    void release(int index);
    /// Index of the selected line, -1 when the list is empty.
    int currentIndex() const;
    std::string line(int index) const;
    std::vector<std::string> lines() const;

private:
    Frontend& m_frontend;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    int m_selected = -1;
    int m_shown = -1; ///< the selection as the frontend knows it
    std::set<int> m_held;
    void showSelection();
};

} // namespace pixtrail::shell
