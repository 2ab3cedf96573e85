#include "shell/console.hpp"

#include <windows.h>

#include <string>

namespace pixtrail::shell {
namespace {

std::atomic<int> g_interrupts{0};
std::atomic<bool> g_pending{false};
std::atomic<bool>* g_stopFlag = nullptr;
bool g_virtualTerminal = false;
std::string g_erase;

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI onControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE; // closing the console or logging off: the default ends the program
    if (g_interrupts.fetch_add(1) > 0) {
        std::fflush(stdout);
        ExitProcess(130);
    }
    g_pending = true;
    if (g_stopFlag)
        g_stopFlag->store(true);
    return TRUE;
}

bool isConsole(HANDLE h) {
    DWORD mode = 0;
    return h != INVALID_HANDLE_VALUE && h != nullptr && GetConsoleMode(h, &mode);
}

HANDLE handleOf(std::FILE* stream) {
    return GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
}

} // namespace

void prepareConsole() {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    // Windows Terminal and the console of Windows 10 and later redraw a line with the same
    // sequence as a Unix terminal; the classic console of older systems gets spaces.
    if (isConsole(out) && GetConsoleMode(out, &mode))
        g_virtualTerminal = SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING |
                                                    ENABLE_PROCESSED_OUTPUT);
}

void writeText(std::FILE* stream, std::string_view utf8) {
    const HANDLE h = handleOf(stream);
    if (!isConsole(h)) {
        // A pipe or a file gets the bytes, as on every other platform.
        std::fwrite(utf8.data(), 1, utf8.size(), stream);
        return;
    }
    std::fflush(stream);
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
    DWORD written = 0;
    WriteConsoleW(h, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

bool canRedrawLine() {
    return isConsole(GetStdHandle(STD_OUTPUT_HANDLE));
}

bool stdinIsTerminal() {
    return isConsole(GetStdHandle(STD_INPUT_HANDLE));
}

int terminalColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) {
        const int columns = info.srWindow.Right - info.srWindow.Left + 1;
        if (columns >= 20)
            return columns;
    }
    return 80;
}

std::string_view eraseLine() {
    if (g_virtualTerminal)
        return "\r\033[K";
    g_erase.assign(1, '\r');
    g_erase.append(static_cast<size_t>(terminalColumns() - 1), ' ');
    g_erase.push_back('\r');
    return g_erase;
}

void installInterruptHandler(std::atomic<bool>* stopFlag) {
    g_stopFlag = stopFlag;
    SetConsoleCtrlHandler(onControl, TRUE);
}

bool takeInterrupt() {
    return g_pending.exchange(false);
}

} // namespace pixtrail::shell
