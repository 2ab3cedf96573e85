#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// INI files with the behaviour of the Windows private-profile functions that settings and
// language files have always relied on: sections and keys match case-insensitively, a
// read drops the spaces around a value and one pair of enclosing quotes, and a write
// changes only the one key it writes, leaving every other line of the file as it was.
namespace pixtrail::shell {

/// The longest value a read returns, as the classic 5000-character receive buffer did.
constexpr size_t kMaxIniValueLength = 4999;

/// An INI file held as its lines, so that a write can change one key and keep the rest.
class IniDocument {
public:
    /// Parses any bytes; nothing is rejected. A UTF-8 byte-order mark is set aside and
    /// written back unchanged.
    static IniDocument parse(std::string_view bytes);

    /// Reads a file once for several lookups; a missing or unreadable file reads as empty.
    static IniDocument load(std::string_view path);

    /// The value of `key` in `section` (first occurrence of each), trimmed and unquoted,
    /// or nullopt when the key is absent. Keys before the first section are ignored.
    std::optional<std::string> get(std::string_view section, std::string_view key) const;

    /// What readIniValue returns for this content: the stored text or the default, at
    /// most kMaxIniValueLength characters.
    std::string value(std::string_view section, std::string_view key,
                      std::string_view defaultValue) const;

    /// Sets a value, creating the section or the key as needed. An existing key keeps
    /// its line and its spelling; a new key goes after the last key of its section.
    /// Line breaks inside the value would split it into stray lines, so they become spaces.
    void set(std::string_view section, std::string_view key, std::string_view value);

    /// The file content; new lines end in CR LF, untouched lines keep their own ends.
    std::string serialize() const;

    bool hasByteOrderMark() const { return m_byteOrderMark; }

private:
    struct Line {
        std::string text;
        std::string end; ///< "\r\n", "\n" or "" for a last line without one
    };
    std::vector<Line> m_lines;
    bool m_byteOrderMark = false;

    static std::optional<std::string> sectionName(const std::string& line);
    static std::optional<std::string> keyName(const std::string& line);
    size_t findSection(std::string_view section) const; ///< index of the header or npos
};

/// Reads one value: the stored text when the key exists (empty when stored empty), the
/// default when the key, the section or the file is missing. At most 4999 characters.
std::string readIniValue(std::string_view path, std::string_view section, std::string_view key,
                         std::string_view defaultValue);

/// Writes one value, creating the file, section or key as needed; the file is replaced
/// atomically. Returns false when the file could not be written (callers may ignore it,
/// as the classic function's result always was).
bool writeIniValue(std::string_view path, std::string_view section, std::string_view key,
                   std::string_view value);

struct IniEntry {
    std::string section;
    std::string key;
    std::string value;
};

/// Writes several values at once, in order, as writeIniValue would one by one, but with
/// one read and one atomic replacement of the file: all of them land, or none.
bool writeIniValues(std::string_view path, const std::vector<IniEntry>& entries);

} // namespace pixtrail::shell
