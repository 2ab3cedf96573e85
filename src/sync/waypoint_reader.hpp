#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// The waypoint file, line by line. No XML parsing: every line is judged on its own by
// simple markers, so GPX, LOC and plain code lists (even mixed) all work.
namespace pixtrail::sync {

/// Reads a file as Windows-1252 lines through a large buffer. A line ends at a CR or an
/// LF byte (so CR LF yields the line and then an empty one), or at the end of the file.
/// A UTF-8 byte-order mark at the start of the file is skipped.
class WaypointReader {
public:
    /// Lines longer than this keep only their first part (the rest is read and skipped),
    /// so even a file that is one huge line is read in bounded memory.
    static constexpr std::size_t kMaxLineLength = 16u << 20;

    /// Opens the file; throws RunError when it cannot be opened.
    explicit WaypointReader(std::string_view path);
    ~WaypointReader();
    WaypointReader(const WaypointReader&) = delete;
    WaypointReader& operator=(const WaypointReader&) = delete;

    bool atEnd();
    /// The next line, its end byte consumed and not returned. Throws RunError on a read error.
    std::string ReadLine();

    /// 1-based number of the next byte to read.
    std::uint64_t position() const { return m_consumed + 1; }
    std::uint64_t size() const { return m_size; }

private:
    bool fill();

    std::FILE* m_file = nullptr;
    std::string m_path;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    std::uint64_t m_consumed = 0;
    std::uint64_t m_size = 0;
};

/// The waypoint name on a line, or empty: a LOC `name id="..."`, a bare code of at most
/// seven characters starting with "GC" (spaces around it ignored), or a GPX `<name>`
/// (CDATA allowed). Writes the
/// "Found waypoint at position" and "Waypoint:" debug lines.
std::string extractWaypointName(std::string_view line);

struct AcceptedName {
    std::string name; ///< the name from here on ("GC" put before 3 or 4 characters)
    bool accepted = false;
};

/// Whether a name is a cache to process: 1 to 7 characters, "GC" in front (or any
/// non-numeric prefix with forceGC), none of ":", "\" and "/".
AcceptedName acceptWaypointName(std::string name, bool forceGC);

/// Whether a name may address files in the spoiler folder: not empty, not "." or "..",
/// and free of path separators, wildcards and the characters Windows refuses in names.
bool isSafeFileName(std::string_view name);

} // namespace pixtrail::sync
