#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace pixtrail::testing {

struct ProgramResult {
    int exitCode = -1; ///< -1 when it had to be killed
    std::string out;
    std::string err;
};

/// Runs a program with stdin from /dev/null, collects its output, and kills it when it
/// outlives `limit` so that no test can hang.
/// With `interruptAfterLines` > 0, the program gets one SIGINT (a Ctrl-C) as soon as it has
/// printed that many lines on stdout.
ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         std::chrono::seconds limit = std::chrono::seconds(60),
                         int interruptAfterLines = 0);

} // namespace pixtrail::testing
