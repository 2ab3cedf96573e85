#include "base/process.hpp"

#include "base/ansi_text.hpp"

#include <cstdlib>
#include <malloc.h>
#include <spawn.h>
#include <sys/types.h>

extern char** environ;

namespace pixtrail::base {

std::filesystem::path executablePath() {
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec);
}

bool startProcess(const std::filesystem::path& program, const std::vector<std::string>& args) {
    const std::string path = program.string();
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    // The new process outlives this one: it is the next step of a hand-over.
    return posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ) == 0;
}

std::vector<std::string> programArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::optional<std::string> environmentVariable(const char* name) {
    if (const char* v = std::getenv(name))
        return utf8ToAnsi(v);
    return std::nullopt;
}

void returnLargeBlocksToSystem() {
    // Left to itself, glibc serves blocks of megabytes from a heap of each thread once
    // blocks of that size were freed, and keeps them there: with four workers a run held
    // twice the memory it used. Blocks of 1 MiB and more are mapped for themselves.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
}

} // namespace pixtrail::base
