#include "update/scramble.hpp"

#include "base/text.hpp"

#include <cstdio>
#include <random>

namespace pixtrail::update {
namespace {

int hexValue(std::string_view digits) {
    int value = 0;
    for (char c : digits) {
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        if (d < 0)
            return -1;
        value = value * 16 + d;
    }
    return value;
}

std::string hex2(int value) {
    char buf[3];
    std::snprintf(buf, sizeof buf, "%02X", value & 0xFF);
    return buf;
}

} // namespace

std::string scrambleWithKey(std::string_view text, int key) {
    std::string out = hex2(key);
    for (size_t i = 0; i < text.size(); ++i)
        out += hex2(static_cast<int>(i + 1) ^ static_cast<unsigned char>(text[i]) ^ key);
    return out;
}

std::string ScrambleText(std::string_view text) {
    static std::mt19937 rng{std::random_device{}()};
    const double uniform = std::uniform_real_distribution<double>(0.0, 1.0)(rng);
    return scrambleWithKey(text, static_cast<int>(base::roundHalfEven(uniform * 250 + 1)));
}

std::optional<std::string> UnscrambleText(std::string_view scrambled) {
    if (scrambled.empty())
        return std::string();
    const int key = hexValue(scrambled.substr(0, 2));
    if (key < 0 || scrambled.size() < 2)
        return std::nullopt;
    std::string out;
    for (size_t p = 2; p < scrambled.size(); p += 2) {
        const int value = hexValue(scrambled.substr(p, 2));
        if (value < 0)
            return std::nullopt;
        out += static_cast<char>((value ^ static_cast<int>(p / 2) ^ key) & 0xFF);
    }
    return out;
}

} // namespace pixtrail::update
