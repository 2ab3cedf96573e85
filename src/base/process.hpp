#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The process as the core sees it; one implementation per platform (process_posix.cpp,
// process_win.cpp).
namespace pixtrail::base {

/// Path of the running executable.
std::filesystem::path executablePath();

/// Starts a program as a new process without waiting for it, its window (if it opens one)
/// minimized and active; false when it could not be started.
bool startProcess(const std::filesystem::path& program, const std::vector<std::string>& args = {});

/// The program's arguments after its own name, as UTF-8 text whatever the platform hands
/// over (on Windows the wide command line, so names outside the code page survive to be
/// refused by name).
std::vector<std::string> programArguments(int argc, char** argv);

/// An environment variable as Windows-1252 text (the program's text), nullopt when unset.
std::optional<std::string> environmentVariable(const char* name);

/// Asks the heap to give big blocks (pictures of megabytes) back to the system when they
/// are freed, rather than keeping them per thread.
void returnLargeBlocksToSystem();

} // namespace pixtrail::base
