#include "base/process.hpp"

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

} // namespace pixtrail::base
