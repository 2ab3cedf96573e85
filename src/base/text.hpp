#pragma once

#include <string>
#include <string_view>
#include <vector>

// Text helpers over Windows-1252 strings. Everything that ignores letter case goes
// through the code page's case folding, so "Š" and "š" match like "A" and "a".
namespace pixtrail::base {

/// Position (0-based) of the first case-insensitive occurrence of `needle` in `haystack`
/// at or after `from`, or npos. An empty needle is found at `from` when from <= size.
size_t findNoCase(std::string_view haystack, std::string_view needle, size_t from = 0);

bool containsNoCase(std::string_view haystack, std::string_view needle);
bool equalsNoCase(std::string_view a, std::string_view b);
bool startsWithNoCase(std::string_view text, std::string_view prefix);
bool endsWithNoCase(std::string_view text, std::string_view suffix);

/// Replaces every case-insensitive occurrence of `find` (left to right, without
/// rescanning replaced text). An empty `find` leaves the text unchanged.
std::string replaceAllNoCase(std::string_view text, std::string_view find,
                             std::string_view replacement);

/// Case-sensitive replace-all, for the few places where case matters (quotes, CR LF).
std::string replaceAll(std::string_view text, std::string_view find, std::string_view replacement);

/// Removes spaces (only the space character, not tabs) at both ends.
std::string trimSpaces(std::string_view text);

/// The number at the start of the text: leading spaces skipped, an optional sign,
/// digits and an optional fraction. 0 when the text does not start with a number.
double leadingNumber(std::string_view text);

/// True when the whole text reads as a number: spaces around it, an optional sign,
/// digits with at most one decimal point, at least one digit.
bool isNumeric(std::string_view text);

/// Rounds to the nearest whole number, halves to even, as the classic integer
/// conversion does (2.5 -> 2, 3.5 -> 4). Values beyond the range of long long saturate;
/// NaN gives 0.
long long roundHalfEven(double value);

/// Splits at every occurrence of `separator` into at most `maxFields` fields; the last
/// field keeps the rest of the text, separators included.
std::vector<std::string> splitLimited(std::string_view text, char separator, size_t maxFields);

/// Compares two names as Windows orders directory listings: case folded, then by
/// Unicode code point. Returns <0, 0 or >0.
int compareNoCase(std::string_view a, std::string_view b);

} // namespace pixtrail::base
