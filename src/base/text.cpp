#include "base/text.hpp"

#include "base/ansi_text.hpp"

#include <cmath>
#include <cstring>
#include <limits>

namespace pixtrail::base {

size_t findNoCase(std::string_view haystack, std::string_view needle, size_t from) {
    if (from > haystack.size())
        return std::string_view::npos;
    if (needle.empty())
        return from;
    if (needle.size() > haystack.size() - from)
        return std::string_view::npos;
    const char firstUpper = ansiToUpper(needle[0]);
    const char firstLower = ansiToLower(needle[0]);
    const size_t last = haystack.size() - needle.size();
    for (size_t i = from; i <= last; ++i) {
        const char c = haystack[i];
        if (c != firstUpper && c != firstLower)
            continue;
        size_t k = 1;
        while (k < needle.size() && ansiToUpper(haystack[i + k]) == ansiToUpper(needle[k]))
            ++k;
        if (k == needle.size())
            return i;
    }
    return std::string_view::npos;
}

bool containsNoCase(std::string_view haystack, std::string_view needle) {
    return findNoCase(haystack, needle) != std::string_view::npos;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (ansiToUpper(a[i]) != ansiToUpper(b[i]))
            return false;
    return true;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsNoCase(text.substr(0, prefix.size()), prefix);
}

bool endsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           equalsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

namespace {
template <typename Find>
std::string replaceWith(std::string_view text, std::string_view find, std::string_view repl,
                        Find finder) {
    if (find.empty())
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    for (size_t hit = finder(text, find, 0); hit != std::string_view::npos;
         hit = finder(text, find, pos)) {
        out.append(text.substr(pos, hit - pos));
        out.append(repl);
        pos = hit + find.size();
    }
    out.append(text.substr(pos));
    return out;
}
} // namespace

std::string replaceAllNoCase(std::string_view text, std::string_view find,
                             std::string_view replacement) {
    return replaceWith(text, find, replacement, findNoCase);
}

std::string replaceAll(std::string_view text, std::string_view find, std::string_view replacement) {
    return replaceWith(
        text, find, replacement,
        [](std::string_view h, std::string_view n, size_t from) { return h.find(n, from); });
}

std::string trimSpaces(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

double leadingNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    double value = 0;
    bool anyDigit = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i] - '0');
        anyDigit = true;
        ++i;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        double scale = 0.1;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            value += (text[i] - '0') * scale;
            scale /= 10;
            anyDigit = true;
            ++i;
        }
    }
    if (!anyDigit)
        return 0;
    return negative ? -value : value;
}

bool isNumeric(std::string_view text) {
    const std::string t = trimSpaces(text);
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        ++i;
    bool digit = false, point = false;
    for (; i < t.size(); ++i) {
        if (t[i] >= '0' && t[i] <= '9')
            digit = true;
        else if (t[i] == '.' && !point)
            point = true;
        else
            return false;
    }
    return digit;
}

long long roundHalfEven(double value) {
    // Saturate instead of converting a value the integer cannot hold, which would be
    // undefined: a delay typed as thirty digits must stay an out-of-range number.
    constexpr double kLimit = 9223372036854775808.0; // 2^63
    if (std::isnan(value))
        return 0;
    if (value >= kLimit)
        return std::numeric_limits<long long>::max();
    if (value <= -kLimit)
        return std::numeric_limits<long long>::min();
    return static_cast<long long>(std::nearbyint(value)); // default mode: to nearest, ties even
}

std::vector<std::string> splitLimited(std::string_view text, char separator, size_t maxFields) {
    std::vector<std::string> fields;
    size_t pos = 0;
    while (fields.size() + 1 < maxFields) {
        const size_t hit = text.find(separator, pos);
        if (hit == std::string_view::npos)
            break;
        fields.emplace_back(text.substr(pos, hit - pos));
        pos = hit + 1;
    }
    fields.emplace_back(text.substr(pos));
    return fields;
}

int compareNoCase(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const char32_t ca = ansiToCodePoint(static_cast<unsigned char>(ansiToUpper(a[i])));
        const char32_t cb = ansiToCodePoint(static_cast<unsigned char>(ansiToUpper(b[i])));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

} // namespace pixtrail::base
