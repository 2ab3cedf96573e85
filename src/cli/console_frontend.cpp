#include "cli/console_frontend.hpp"

#include "base/ansi_text.hpp"
#include "base/text.hpp"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace pixtrail::cli {
namespace {

volatile std::sig_atomic_t g_interrupts = 0;
volatile std::sig_atomic_t g_pending = 0;
std::atomic<bool>* g_stopFlag = nullptr;

extern "C" void onInterrupt(int) {
    if (g_interrupts > 0)
        _exit(130);
    g_interrupts = 1;
    g_pending = 1;
    if (g_stopFlag)
        g_stopFlag->store(true);
}

std::string forTerminal(const std::string& ansi) {
    return base::ansiToUtf8(base::replaceAll(ansi, "\r\n", "\n"));
}

} // namespace

void installInterruptHandler(std::atomic<bool>* stopFlag) {
    g_stopFlag = stopFlag;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
}

bool takeInterrupt() {
    if (!g_pending)
        return false;
    g_pending = 0;
    return true;
}

ConsoleFrontend::ConsoleFrontend() : m_terminal(isatty(STDERR_FILENO) != 0) {}

void ConsoleFrontend::clearStatus() {
    if (m_statusShown) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        m_statusShown = false;
    }
}

void ConsoleFrontend::drawStatus() {
    if (!m_terminal)
        return;
    std::string current =
        m_selected >= 0 && m_selected < static_cast<int>(m_lines.size()) ? m_lines[m_selected] : "";
    if (current.size() > 70)
        current.resize(70);
    std::fprintf(stderr, "\r\033[K%3d%% %s", m_percent, forTerminal(current).c_str());
    std::fflush(stderr);
    m_statusShown = true;
}

void ConsoleFrontend::printFinalLines(int upTo) {
    if (m_printed >= upTo)
        return;
    clearStatus();
    for (; m_printed < upTo && m_printed < static_cast<int>(m_lines.size()); ++m_printed)
        std::printf("%s\n", forTerminal(m_lines[m_printed]).c_str());
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
        std::fprintf(stderr, "%s\n", forTerminal(text).c_str());
        std::fflush(stderr);
    } else {
        flush();
        std::printf("%s\n", forTerminal(text).c_str());
        std::fflush(stdout);
    }
}

bool ConsoleFrontend::askYesNo(const std::string&, const std::string& text, shell::QuestionIcon) {
    clearStatus();
    if (!isatty(STDIN_FILENO)) {
        // Nobody to ask: say what was asked and take the safe answer.
        std::fprintf(stderr, "%s\nNo (no terminal to answer on)\n", forTerminal(text).c_str());
        return false;
    }
    std::fprintf(stderr, "%s [y/N] ", forTerminal(text).c_str());
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
    drawStatus();
}

void ConsoleFrontend::progressLineSelected(int index) {
    m_selected = index;
    printFinalLines(index);
    drawStatus();
}

void ConsoleFrontend::progressValueChanged(int percent) {
    m_percent = percent;
    drawStatus();
}

void ConsoleFrontend::runButtonsChanged(bool runActive) {
    if (!runActive)
        flush();
}

void ConsoleFrontend::pumpEvents() {
    if (takeInterrupt() && m_onInterrupt)
        m_onInterrupt();
}

} // namespace pixtrail::cli
