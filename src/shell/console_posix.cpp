#include "shell/console.hpp"

#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

namespace pixtrail::shell {
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

} // namespace

void prepareConsole() {}

void writeText(std::FILE* stream, std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

// A line redrawn in place needs a terminal that understands "erase line"; a pipe, a file
// or a dumb terminal gets only the result lines.
bool canRedrawLine() {
    if (!isatty(STDOUT_FILENO))
        return false;
    const char* term = std::getenv("TERM");
    return !(term && std::string_view(term) == "dumb");
}

bool stdinIsTerminal() {
    return isatty(STDIN_FILENO);
}

int terminalColumns() {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col >= 20)
        return size.ws_col;
    return 80;
}

std::string_view eraseLine() {
    return "\r\033[K";
}

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

} // namespace pixtrail::shell
