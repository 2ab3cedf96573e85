#include "support/run_program.hpp"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace pixtrail::testing {
namespace {

// Spawns with stdin from /dev/null and stdout/stderr on the given descriptors (-1: discarded).
// env(1) runs the program with the extra environment entries added or replacing this one's.
pid_t spawn(const std::string& program, const std::vector<std::string>& args,
            const std::vector<std::string>& extraEnvironment, int outFd, int errFd,
            const std::vector<int>& closeInChild) {
    std::vector<std::string> words = extraEnvironment;
    words.push_back(program);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv{const_cast<char*>("/usr/bin/env")};
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    for (const auto& [fd, target] :
         {std::pair{outFd, STDOUT_FILENO}, std::pair{errFd, STDERR_FILENO}}) {
        if (fd < 0)
            posix_spawn_file_actions_addopen(&actions, target, "/dev/null", O_WRONLY, 0);
        else
            posix_spawn_file_actions_adddup2(&actions, fd, target);
    }
    for (int fd : closeInChild)
        posix_spawn_file_actions_addclose(&actions, fd);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
}

} // namespace

pid_t startProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::vector<std::string>& environment) {
    return spawn(program, args, environment, -1, -1, {});
}

ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const RunOptions& options) {
    ProgramResult result;
    int outPipe[2], errPipe[2];
    winsize size{24, 100, 0, 0};
    if ((options.terminal ? openpty(&outPipe[0], &outPipe[1], nullptr, nullptr, &size)
                          : pipe(outPipe)) != 0 ||
        pipe(errPipe) != 0)
        return result;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid =
        spawn(program, args, options.environment, outPipe[1], errPipe[1], {outPipe[0], errPipe[0]});
    close(outPipe[1]);
    close(errPipe[1]);
    if (pid < 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        return result;
    }

    int interruptAfterLines = options.interruptAfterLines;
    std::optional<std::chrono::steady_clock::time_point> interruptAt;
    if (options.interruptAfter.count() > 0)
        interruptAt = start + options.interruptAfter;
    const auto deadline = start + options.limit;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    bool killed = false;
    while (open > 0) {
        const auto now = std::chrono::steady_clock::now();
        if (interruptAt && now >= *interruptAt) {
            kill(pid, SIGINT);
            interruptAt.reset();
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        if (left.count() <= 0) {
            kill(pid, SIGKILL);
            killed = true;
            break;
        }
        if (interruptAt)
            left = std::min(left, std::chrono::duration_cast<std::chrono::milliseconds>(
                                      *interruptAt - now + std::chrono::milliseconds(1)));
        // The peak the program itself reached: its rusage would also count the memory of
        // this process, which it shared until it started the program.
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmHWM:", 0) == 0)
                result.peakKiB = std::max(result.peakKiB, std::stol(line.substr(6)));
        left = std::min(left, std::chrono::milliseconds(20));
        if (poll(fds, 2, static_cast<int>(left.count())) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buf[4096];
            const ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[i]->append(buf, static_cast<size_t>(n));
                if (i == 0 && interruptAfterLines > 0 &&
                    std::count(result.out.begin(), result.out.end(), '\n') >= interruptAfterLines) {
                    kill(pid, SIGINT);
                    interruptAfterLines = 0;
                }
            } else { // the end, or EIO once a terminal's other side is closed
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (auto& fd : fds)
        if (fd.fd >= 0)
            close(fd.fd);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    result.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    if (result.peakKiB == 0) // it ended before it could be looked at
        result.peakKiB = usage.ru_maxrss;
    if (!killed && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}

} // namespace pixtrail::testing
