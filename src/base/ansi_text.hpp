#pragma once

#include <string>
#include <string_view>

// Text inside the program is Windows-1252: one byte per character, exactly as pages,
// waypoint files and INI files are read. These functions are the only place that knows
// the code page; conversion to UTF-8 happens only at the edges (file names, display).
namespace pixtrail::base {

/// Unicode code point of one Windows-1252 byte. The five bytes the code page leaves
/// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value.
char32_t ansiToCodePoint(unsigned char byte);

/// Windows-1252 byte for a code point, or -1 when the code page has no such character.
int codePointToAnsi(char32_t codePoint);

/// Converts Windows-1252 text to UTF-8; every byte has a mapping, so nothing is lost.
std::string ansiToUtf8(std::string_view ansi);

/// Converts UTF-8 to Windows-1252. Characters the code page lacks, and malformed
/// sequences, become `replacement`; `ok` (when given) tells whether that happened.
std::string utf8ToAnsi(std::string_view utf8, char replacement = '?', bool* ok = nullptr);

/// True when the bytes form valid UTF-8 (overlong forms and surrogates rejected).
bool isValidUtf8(std::string_view bytes);

/// Windows-1252 case folding: ASCII letters, the Latin-1 letters (not x and ÷),
/// and the pairs Š/š, Œ/œ, Ž/ž, Ÿ/ÿ. Other bytes are returned unchanged.
char ansiToUpper(char c);
char ansiToLower(char c);

std::string ansiUpper(std::string_view text);
std::string ansiLower(std::string_view text);

} // namespace pixtrail::base
