#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// INI files with the behaviour of the Windows private-profile functions that settings and
// language files have always relied on: sections and keys match case-insensitively, a
// read drops the spaces around a value and one pair of enclosing quotes, and a write
// changes only the one key it writes, leaving every other line of the file as it was.
//
// A file is Windows-1252, unless its bytes are valid UTF-8 holding at least one
// multi-byte sequence (a byte-order mark counts): a file saved by a UTF-8 editor is read
// as UTF-8 and written back in UTF-8. Values cross this interface as Windows-1252.
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
    /// In a UTF-8 file, characters Windows-1252 lacks become '?' and `spelled` (when
    /// given) is set to false.
    std::optional<std::string> get(std::string_view section, std::string_view key,
                                   bool* spelled = nullptr) const;

    /// What readIniValue returns for this content: the stored text or the default, at
    /// most kMaxIniValueLength characters.
    std::string value(std::string_view section, std::string_view key, std::string_view defaultValue,
                      bool* spelled = nullptr) const;

    /// Sets a value, creating the section or the key as needed. An existing key keeps
    /// its line and its spelling; a new key goes after the last key of its section.
    /// Line breaks inside the value would split it into stray lines, so they become spaces.
    void set(std::string_view section, std::string_view key, std::string_view value);

    /// The file content; new lines end in CR LF, untouched lines keep their own ends.
    std::string serialize() const;

    bool hasByteOrderMark() const { return m_byteOrderMark; }
    bool isUtf8() const { return m_utf8; }

private:
    struct Line {
        std::string text;
        std::string end; ///< "\r\n", "\n" or "" for a last line without one
    };
    std::vector<Line> m_lines; ///< in the file's own encoding
    bool m_byteOrderMark = false;
    bool m_utf8 = false;

    std::string toFile(std::string_view ansi) const;

    static std::optional<std::string> sectionName(const std::string& line);
    static std::optional<std::string> keyName(const std::string& line);
    size_t findSection(std::string_view section) const; ///< index of the header or npos
};

/// Reads one value: the stored text when the key exists (empty when stored empty), the
/// default when the key, the section or the file is missing. At most 4999 characters.
std::string readIniValue(std::string_view path, std::string_view section, std::string_view key,
                         std::string_view defaultValue);

/// How a change of an INI file ended.
struct IniWriteResult {
    enum class Status {
        Written,
        NotAnIniFile, ///< its first line is none of what an INI file starts with: left alone
        Unreadable,   ///< it exists but cannot be read (a folder, no permission): left alone
        WriteFailed,
    };
    Status status = Status::Written;
    std::string reason; ///< the system's words, for Unreadable and WriteFailed
    bool ok() const { return status == Status::Written; }
};

/// Whether content may be an INI file: empty, or a first line that is blank, a comment
/// (";" or "#"), a "[section]" or a "key=value", and no NUL byte anywhere. Anything else is
/// some other file named by mistake, which a write must not turn into a settings file.
bool looksLikeIniFile(std::string_view content);

/// Reads the file once, lets `edit` change it, and replaces it atomically, creating it when
/// missing. A file that cannot be read or does not look like an INI file is left as it is.
IniWriteResult updateIniFile(std::string_view path, const std::function<void(IniDocument&)>& edit);

/// Writes one value, creating the file, section or key as needed; the file is replaced
/// atomically. Returns false when the file was not written (callers may ignore it, as the
/// classic function's result always was).
bool writeIniValue(std::string_view path, std::string_view section, std::string_view key,
                   std::string_view value);

} // namespace pixtrail::shell
