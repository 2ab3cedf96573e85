#pragma once

#include <atomic>
#include <cstdio>
#include <string_view>

// The terminal on each platform (console_posix.cpp, console_win.cpp): what it is, how text
// reaches it, and Ctrl-C.
namespace pixtrail::shell {

/// Makes the standard streams ready for UTF-8 text (on Windows: a console shows it as
/// such, a pipe or a file receives the UTF-8 bytes).
void prepareConsole();

/// Writes UTF-8 text to `stream` (stdout or stderr) so that the user sees those
/// characters, whatever the console's code page.
void writeText(std::FILE* stream, std::string_view utf8);

/// True when stdout is a terminal that can redraw a line in place.
bool canRedrawLine();
/// True when a person can answer on stdin.
bool stdinIsTerminal();
/// Width of the terminal in columns (80 when it cannot be told).
int terminalColumns();
/// What takes the cursor back to the start of the line and clears it.
std::string_view eraseLine();

/// Ctrl-C handling: the first press asks for Stop at the next chance (and ends long waits
/// at once through `stopFlag`), a second one ends the program immediately with status 130.
void installInterruptHandler(std::atomic<bool>* stopFlag);
/// True once after each first Ctrl-C.
bool takeInterrupt();

} // namespace pixtrail::shell
