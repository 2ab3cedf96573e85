#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

// Running the built programs from tests, benchmarks and checks.
namespace pixtrail::testing {

struct ProgramResult {
    int exitCode = -1; ///< -1 when it had to be killed
    std::string out;
    std::string err;
    long peakKiB = 0;       ///< the program's peak resident memory
    double wallSeconds = 0; ///< from start to end
    double cpuSeconds = 0;  ///< user and system time of the program
};

/// Options of a program run.
struct RunOptions {
    std::chrono::seconds limit{60};
    /// When > 0, one SIGINT (a Ctrl-C) as soon as stdout holds that many lines.
    int interruptAfterLines = 0;
    /// "NAME=value" entries added to (or replacing) the environment.
    std::vector<std::string> environment;
    /// When > 0, one SIGINT once this long has passed since the start.
    std::chrono::milliseconds interruptAfter{0};
    /// Stdout on a pseudo-terminal of 100 columns instead of a pipe, as in a terminal
    /// window (it turns "\n" into "\r\n").
    bool terminal = false;
};

/// Runs a program with stdin from /dev/null, collects its output, and kills it when it
/// outlives the limit so that no test can hang.
ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const RunOptions& options = {});

/// Starts a program without waiting for it (its output discarded), for a caller that ends
/// it itself; -1 when it could not be started.
pid_t startProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::vector<std::string>& environment = {});

} // namespace pixtrail::testing
