#include "shell/debug_log.hpp"

#include "base/clock.hpp"
#include "base/files.hpp"
#include "base/native_file.hpp"
#include "base/run_error.hpp"

#include <cstdio>
#include <utility>

namespace pixtrail::shell {

void DebugLog::setPath(std::string path) {
    std::lock_guard lock(m_mutex);
    m_path = std::move(path);
}

bool DebugLog::enabled() const {
    std::lock_guard lock(m_mutex);
    return m_enabled;
}

void DebugLog::setEnabled(bool enabled) {
    std::lock_guard lock(m_mutex);
    m_enabled = enabled;
}

void DebugLog::write(std::string_view message, int startNewFile) {
    std::lock_guard lock(m_mutex);
    if (!m_enabled || m_path.empty())
        return;
    if (startNewFile != 0) {
        std::string content =
            "Pixtrail Debug file " + base::formatDateTime(base::clock().localNow(), ", ") + "\r\n";
        content += base::formatTime(base::clock().localNow()) + " " + std::string(message) + "\r\n";
        try {
            base::writeFileAtomically(m_path, content);
        } catch (const base::RunError& e) {
            // A trace that cannot be written must not disturb the run it traces; the run
            // asks afterwards whether it should tell the user.
            if (m_failure.empty())
                m_failure = e.description();
        }
        return;
    }
    const std::string line =
        base::formatTime(base::clock().localNow()) + " " + std::string(message) + "\r\n";
    if (std::FILE* f = base::openNativeFile(base::nativePath(m_path), "ab")) {
        std::fwrite(line.data(), 1, line.size(), f);
        std::fclose(f);
    }
}

std::optional<std::string> DebugLog::takeFailure() {
    std::lock_guard lock(m_mutex);
    if (m_failure.empty())
        return std::nullopt;
    return std::exchange(m_failure, {});
}

DebugLog& debugLog() {
    static DebugLog log;
    return log;
}

namespace {
thread_local std::vector<std::string>* t_capture = nullptr;
} // namespace

void WriteDebug(std::string_view message, int startNewFile) {
    if (t_capture && startNewFile == 0) {
        if (debugLog().enabled())
            t_capture->emplace_back(message);
        return;
    }
    debugLog().write(message, startNewFile);
}

std::vector<std::string>* captureDebugLines(std::vector<std::string>* lines) {
    return std::exchange(t_capture, lines);
}

} // namespace pixtrail::shell
