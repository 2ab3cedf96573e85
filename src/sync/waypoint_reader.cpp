#include "sync/waypoint_reader.hpp"

#include "base/ansi_text.hpp"
#include "base/files.hpp"
#include "base/native_file.hpp"
#include "base/run_error.hpp"
#include "base/text.hpp"
#include "shell/debug_log.hpp"

#include <cerrno>
#include <cstring>

namespace pixtrail::sync {
namespace {

constexpr std::size_t kBufferSize = 1u << 20;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string upToNext(std::string_view line, size_t start, char stop) {
    if (start > line.size())
        return {};
    const size_t end = line.find(stop, start);
    return std::string(line.substr(start, end == std::string_view::npos ? end : end - start));
}

} // namespace

WaypointReader::WaypointReader(std::string_view path) : m_path(path), m_buffer(kBufferSize) {
    m_file = base::openNativeFile(base::nativePath(path), "rb");
    if (!m_file || !base::fileExists(path)) {
        if (m_file)
            std::fclose(m_file);
        m_file = nullptr;
        throw base::RunError(base::err::kFileAccess, "ReadLine",
                             "Cannot open the waypoint file '" + m_path +
                                 "': " + std::strerror(errno ? errno : EISDIR));
    }
    m_size = base::fileSize(path).value_or(0);
}

WaypointReader::~WaypointReader() {
    if (m_file)
        std::fclose(m_file);
}

bool WaypointReader::fill() {
    if (m_begin < m_end)
        return true;
    const size_t got = std::fread(m_buffer.data(), 1, m_buffer.size(), m_file);
    if (got == 0 && std::ferror(m_file))
        throw base::RunError(base::err::kFileAccess, "ReadLine",
                             "Cannot read the waypoint file '" + m_path + "'");
    m_begin = 0;
    m_end = got;
    return got > 0;
}

bool WaypointReader::atEnd() {
    return !fill();
}

std::string WaypointReader::ReadLine() {
    std::string line;
    // A list saved by an editor that starts UTF-8 files with a byte-order mark: the mark
    // is no part of the first code.
    if (m_consumed == 0 && fill() && m_end - m_begin >= kByteOrderMark.size() &&
        std::string_view(m_buffer.data() + m_begin, kByteOrderMark.size()) == kByteOrderMark) {
        m_begin += kByteOrderMark.size();
        m_consumed += kByteOrderMark.size();
    }
    while (fill()) {
        const char* start = m_buffer.data() + m_begin;
        const size_t available = m_end - m_begin;
        size_t n = 0;
        while (n < available && start[n] != '\r' && start[n] != '\n')
            ++n;
        if (line.size() < kMaxLineLength)
            line.append(start, std::min(n, kMaxLineLength - line.size()));
        m_begin += n;
        m_consumed += n;
        if (n < available) { // the line's end byte: consumed, not returned
            ++m_begin;
            ++m_consumed;
            break;
        }
    }
    return line;
}

std::string extractWaypointName(std::string_view line) {
    using base::findNoCase;
    const size_t loc = findNoCase(line, "name id=\"");
    if (loc != std::string_view::npos) {
        const std::string name = upToNext(line, loc + 9, '"');
        shell::WriteDebug("Found waypoint at position " + std::to_string(loc + 1 + 9));
        shell::WriteDebug("Waypoint: " + name);
        return name;
    }
    // Codes have had five characters after "GC" since 2011: a list of them must not come
    // out empty.
    if (const std::string bare = base::trimSpaces(line);
        bare.size() <= 7 && base::startsWithNoCase(bare, "GC")) {
        const std::string name = base::ansiUpper(bare);
        shell::WriteDebug("Waypoint: " + name);
        return name;
    }
    if (base::containsNoCase(line, "<name>")) {
        std::string text(line);
        if (base::containsNoCase(text, "<![CDATA[")) {
            text = base::replaceAllNoCase(text, "<![CDATA[", "");
            text = base::replaceAllNoCase(text, "]]>", "");
        }
        const size_t g = findNoCase(text, "<name>");
        const std::string name = upToNext(text, g + 6, '<');
        shell::WriteDebug("Found waypoint at position " + std::to_string(g + 1 + 6));
        shell::WriteDebug("Waypoint: " + name);
        return name;
    }
    return {};
}

AcceptedName acceptWaypointName(std::string name, bool forceGC) {
    if (name.empty() || name.size() > 7)
        return {std::move(name), false};
    if (name.size() == 3 || name.size() == 4)
        name = "GC" + name;
    const bool prefixOk = base::startsWithNoCase(name, "GC") ||
                          (forceGC && !base::isNumeric(std::string_view(name).substr(0, 2)));
    const bool clean = name.find_first_of(":\\/") == std::string::npos;
    return {name, prefixOk && clean};
}

bool isSafeFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    // Separators lead out of the folder; wildcards would turn the name into a pattern
    // that matches other caches' files; the rest are refused by Windows file systems.
    return name.find_first_of(std::string_view("/\\:*?\"<>|\0", 10)) == std::string_view::npos;
}

} // namespace pixtrail::sync
