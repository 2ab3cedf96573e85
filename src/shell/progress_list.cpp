#include "shell/progress_list.hpp"

#include <algorithm>

namespace pixtrail::shell {

void ProgressList::clear() {
    std::lock_guard lock(m_mutex);
    m_lines.clear();
    m_selected = -1;
    m_shown = -1;
    m_held.clear();
    m_frontend.progressCleared();
}

void ProgressList::showSelection() {
    const int shown = m_held.empty() ? m_selected : std::min(m_selected, *m_held.begin());
    if (shown != m_shown) {
        m_shown = shown;
        m_frontend.progressLineSelected(shown);
    }
}

int ProgressList::add(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_lines.push_back(text);
    m_selected = static_cast<int>(m_lines.size()) - 1;
    m_frontend.progressLineAdded(m_selected, text);
    showSelection();
    return m_selected;
}

void ProgressList::hold(int index) {
    std::lock_guard lock(m_mutex);
    m_held.insert(index);
    showSelection();
}

void ProgressList::release(int index) {
    std::lock_guard lock(m_mutex);
    m_held.erase(index);
    showSelection();
}

void ProgressList::addKeepingCurrent(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_lines.push_back(text);
    // The selection does not move, so the frontend hears of the line only: a console
    // must not take the current line for final because a later one was selected.
    m_frontend.progressLineAdded(static_cast<int>(m_lines.size()) - 1, text);
}

void ProgressList::setLine(int index, const std::string& text) {
    std::lock_guard lock(m_mutex);
    if (index < 0 || index >= static_cast<int>(m_lines.size()))
        return;
    m_lines[static_cast<size_t>(index)] = text;
    m_frontend.progressLineChanged(index, text);
}

void ProgressList::setCurrentLine(const std::string& text) {
    std::lock_guard lock(m_mutex);
    if (m_selected < 0)
        return;
    m_lines[static_cast<size_t>(m_selected)] = text;
    m_frontend.progressLineChanged(m_selected, text);
}

void ProgressList::select(int index) {
    std::lock_guard lock(m_mutex);
    if (index < -1 || index >= static_cast<int>(m_lines.size()))
        return;
    m_selected = index;
    showSelection();
}

int ProgressList::currentIndex() const {
    std::lock_guard lock(m_mutex);
    return m_selected;
}

std::string ProgressList::line(int index) const {
    std::lock_guard lock(m_mutex);
    if (index < 0 || index >= static_cast<int>(m_lines.size()))
        return {};
    return m_lines[static_cast<size_t>(index)];
}

std::vector<std::string> ProgressList::lines() const {
    std::lock_guard lock(m_mutex);
    return m_lines;
}

} // namespace pixtrail::shell
