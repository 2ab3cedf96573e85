#include "base/ansi_text.hpp"

#include <array>

namespace pixtrail::base {
namespace {

// 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

struct CaseTables {
    std::array<char, 256> upper{};
    std::array<char, 256> lower{};
};

CaseTables makeCaseTables() {
    CaseTables t;
    for (int i = 0; i < 256; ++i) {
        t.upper[i] = static_cast<char>(i);
        t.lower[i] = static_cast<char>(i);
    }
    auto pair = [&t](int up, int low) {
        t.upper[low] = static_cast<char>(up);
        t.lower[up] = static_cast<char>(low);
    };
    for (int c = 'A'; c <= 'Z'; ++c)
        pair(c, c + 0x20);
    for (int c = 0xC0; c <= 0xDE; ++c)
        if (c != 0xD7) // multiplication sign; its partner 0xF7 is the division sign
            pair(c, c + 0x20);
    pair(0x8A, 0x9A); // Š š
    pair(0x8C, 0x9C); // Œ œ
    pair(0x8E, 0x9E); // Ž ž
    pair(0x9F, 0xFF); // Ÿ ÿ
    return t;
}

const CaseTables& caseTables() {
    static const CaseTables tables = makeCaseTables();
    return tables;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at `pos`; returns false (and advances by one byte) when
// the sequence is malformed, overlong, a surrogate or beyond U+10FFFF.
bool decodeUtf8(std::string_view s, size_t& pos, char32_t& cp) {
    auto byte = [&s](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char b0 = byte(pos);
    size_t len = 0;
    char32_t minimum = 0;
    if (b0 < 0x80) {
        cp = b0;
        ++pos;
        return true;
    } else if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
        minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
        minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return false;
    }
    if (pos + len > s.size()) {
        ++pos;
        return false;
    }
    for (size_t i = 1; i < len; ++i) {
        const unsigned char b = byte(pos + i);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return false;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return false;
    }
    pos += len;
    return true;
}

} // namespace

char32_t ansiToCodePoint(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControls[byte - 0x80];
    return byte;
}

int codePointToAnsi(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<int>(codePoint);
    for (size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == codePoint)
            return static_cast<int>(0x80 + i);
    return -1;
}

std::string ansiToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size() + ansi.size() / 8);
    for (char c : ansi)
        appendUtf8(out, ansiToCodePoint(static_cast<unsigned char>(c)));
    return out;
}

std::string utf8ToAnsi(std::string_view utf8, char replacement, bool* ok) {
    std::string out;
    out.reserve(utf8.size());
    bool clean = true;
    size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t cp = 0;
        const int ansi = decodeUtf8(utf8, pos, cp) ? codePointToAnsi(cp) : -1;
        if (ansi < 0) {
            clean = false;
            out += replacement;
        } else {
            out += static_cast<char>(ansi);
        }
    }
    if (ok)
        *ok = clean;
    return out;
}

bool isValidUtf8(std::string_view bytes) {
    size_t pos = 0;
    while (pos < bytes.size()) {
        char32_t cp = 0;
        if (!decodeUtf8(bytes, pos, cp))
            return false;
    }
    return true;
}

char ansiToUpper(char c) {
    return caseTables().upper[static_cast<unsigned char>(c)];
}
char ansiToLower(char c) {
    return caseTables().lower[static_cast<unsigned char>(c)];
}

std::string ansiUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = ansiToUpper(c);
    return out;
}

std::string ansiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = ansiToLower(c);
    return out;
}

} // namespace pixtrail::base
