#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The debug trace `debug.txt`: one time-stamped line per step of a run, written only in
// debug mode. Every subsystem calls WriteDebug as a statement, so it is cheap when off,
// keeps no file open between calls and never fails its caller.
namespace pixtrail::shell {

class DebugLog {
public:
    void setPath(std::string path);
    const std::string& path() const { return m_path; }

    bool enabled() const;
    void setEnabled(bool enabled);

    /// Appends "hh:mm:ss message". With `startNewFile` non-zero the previous file is
    /// replaced by one that begins with "Pixtrail Debug file d mmm yyyy, hh:mm:ss".
    /// Does nothing when debug mode is off; returns normally when the file cannot be
    /// written.
    void write(std::string_view message, int startNewFile);

    /// Why beginning a new trace failed since the last call, once; nullopt when it did not.
    std::optional<std::string> takeFailure();

private:
    mutable std::mutex m_mutex;
    std::string m_path;
    bool m_enabled = false;
    std::string m_failure;
};

/// The process-wide debug log.
DebugLog& debugLog();

/// Writes one line to the process-wide debug log, or to this thread's capture (see
/// captureDebugLines) when one is set and debug mode is on.
void WriteDebug(std::string_view message, int startNewFile = 0);

/// Sends this thread's later WriteDebug lines (without their times) into `lines` instead
/// of the file, or to the file again for nullptr; returns the capture it replaces. Work on
/// other threads is traced this way and written out in the order a serial run writes it.
std::vector<std::string>* captureDebugLines(std::vector<std::string>* lines);

} // namespace pixtrail::shell
