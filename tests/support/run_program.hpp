#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace pixtrail::testing {

struct ProgramResult {
    int exitCode = -1; ///< -1 when it had to be killed
    std::string out;
    std::string err;
    long peakKiB = 0; ///< the program's peak resident memory
};

/// Runs a program with stdin from /dev/null, collects its output, and kills it when it
/// outlives `limit` so that no test can hang.
/// Options of a program run.
struct RunOptions {
    std::chrono::seconds limit{60};
    /// When > 0, one SIGINT (a Ctrl-C) as soon as stdout holds that many lines.
    int interruptAfterLines = 0;
    /// "NAME=value" entries added to (or replacing) the environment.
    std::vector<std::string> environment;
};

ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const RunOptions& options = {});

} // namespace pixtrail::testing
