#include "cli/console_frontend.hpp"

#include "base/ansi_text.hpp"
#include "base/text.hpp"

#include "shell/console.hpp"

#include <cstdio>
#include <iostream>

namespace pixtrail::cli {

using shell::canRedrawLine;
using shell::eraseLine;
using shell::stdinIsTerminal;
using shell::takeInterrupt;
using shell::terminalColumns;
using shell::writeText;
namespace {

std::string forTerminal(const std::string& ansi) {
    return base::ansiToUtf8(base::replaceAll(ansi, "\r\n", "\n"));
}

std::string minutesAndSeconds(std::chrono::seconds s) {
    const long long total = s.count();
    char buf[32];
    if (total >= 3600)
        std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60,
                      total % 60);
    else
        std::snprintf(buf, sizeof buf, "%lld:%02lld", total / 60, total % 60);
    return buf;
}

} // namespace

ConsoleFrontend::ConsoleFrontend() : m_terminal(canRedrawLine()) {}

void ConsoleFrontend::clearStatus() {
    if (m_statusShown) {
        writeText(stdout, eraseLine());
        std::fflush(stdout);
        m_statusShown = false;
    }
}

std::string ConsoleFrontend::statusText(std::chrono::steady_clock::time_point now) const {
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - m_started);
    std::string text = (m_percent < 10    ? "  "
                        : m_percent < 100 ? " "
                                          : "") +
                       std::to_string(m_percent) + "% | " +
                       std::to_string(std::max(0, m_selected)) + " done | " +
                       minutesAndSeconds(elapsed) + " elapsed";
    // The share of the waypoint file read is the best measure of the share of work done.
    if (m_percent > 0 && m_percent < 100 && elapsed.count() >= 2)
        text += " | about " + minutesAndSeconds(elapsed * (100 - m_percent) / m_percent) + " left";
    std::string current =
        m_selected >= 0 && m_selected < static_cast<int>(m_lines.size()) ? m_lines[m_selected] : "";
    const size_t room = static_cast<size_t>(terminalColumns() - 1);
    if (text.size() + 3 >= room)
        return text.substr(0, room);
    current = base::replaceAll(current, "\r\n", " ");
    if (current.size() > room - text.size() - 3)
        current.resize(room - text.size() - 3);
    return text + " | " + base::ansiToUtf8(current); // the countdown is in the current line
}

void ConsoleFrontend::drawStatus(bool now) {
    if (!m_terminal || !m_running)
        return;
    const auto time = std::chrono::steady_clock::now();
    // A few times a second at most: redrawing costs more than the eye can use.
    if (!now && m_statusShown && time - m_lastDraw < std::chrono::milliseconds(200))
        return;
    m_lastDraw = time;
    std::string text = statusText(time);
    if (m_statusShown && text == m_statusDrawn)
        return;
    writeText(stdout, std::string(eraseLine()) + text);
    std::fflush(stdout);
    m_statusDrawn = std::move(text);
    m_statusShown = true;
}

void ConsoleFrontend::printFinalLines(int upTo) {
    if (m_printed >= upTo)
        return;
    clearStatus();
    for (; m_printed < upTo && m_printed < static_cast<int>(m_lines.size()); ++m_printed)
        writeText(stdout, forTerminal(m_lines[m_printed]) + "\n");
    std::fflush(stdout);
}

void ConsoleFrontend::flush() {
    printFinalLines(static_cast<int>(m_lines.size()));
    clearStatus();
}

void ConsoleFrontend::showMessage(shell::MessageKind kind, const std::string&,
                                  const std::string& text) {
    clearStatus();
    if (kind != shell::MessageKind::Information) {
        std::fflush(stdout);
        writeText(stderr, forTerminal(text) + "\n");
        std::fflush(stderr);
    } else {
        flush();
        writeText(stdout, forTerminal(text) + "\n");
        std::fflush(stdout);
    }
}

bool ConsoleFrontend::askYesNo(const std::string&, const std::string& text, shell::QuestionIcon) {
    clearStatus();
    if (!stdinIsTerminal()) {
        // Nobody to ask: say what was asked and take the safe answer.
        writeText(stderr, forTerminal(text) + "\nNo (no terminal to answer on)\n");
        return false;
    }
    writeText(stderr, forTerminal(text) + " [y/N] ");
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer))
        return false;
    const std::string a = base::trimSpaces(answer);
    return base::equalsNoCase(a, "y") || base::equalsNoCase(a, "yes");
}

void ConsoleFrontend::progressCleared() {
    m_lines.clear();
    m_printed = 0;
    m_selected = -1;
}

void ConsoleFrontend::progressLineAdded(int index, const std::string& text) {
    if (index >= static_cast<int>(m_lines.size()))
        m_lines.resize(static_cast<size_t>(index) + 1);
    m_lines[static_cast<size_t>(index)] = text;
}

void ConsoleFrontend::progressLineChanged(int index, const std::string& text) {
    if (index >= 0 && index < static_cast<int>(m_lines.size()))
        m_lines[static_cast<size_t>(index)] = text;
    drawStatus(false);
}

void ConsoleFrontend::progressLineSelected(int index) {
    m_selected = index;
    printFinalLines(index);
    drawStatus(true);
}

void ConsoleFrontend::progressValueChanged(int percent) {
    m_percent = percent;
    drawStatus(false);
}

void ConsoleFrontend::runButtonsChanged(bool runActive) {
    m_running = runActive;
    if (runActive)
        m_started = std::chrono::steady_clock::now();
    else
        flush();
}

void ConsoleFrontend::pumpEvents() {
    if (takeInterrupt() && m_onInterrupt)
        m_onInterrupt();
    drawStatus(false); // the elapsed time and the countdown move on
}

} // namespace pixtrail::cli
