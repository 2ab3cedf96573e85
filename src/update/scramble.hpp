#pragma once

#include <optional>
#include <string>
#include <string_view>

// The next update-check date is stored scrambled, so a casual look at the per-user
// settings does not invite editing it.
namespace pixtrail::update {

/// Scrambles with a key drawn at random from 1 to 251: the key as two upper-case hex
/// digits, then per character the two hex digits of (position XOR code XOR key).
std::string ScrambleText(std::string_view text);

/// The same with a given key (1 to 251).
std::string scrambleWithKey(std::string_view text, int key);

/// The plain text back; empty for empty input. nullopt when the text is not made of
/// hexadecimal digits, which callers take as "no date stored".
std::optional<std::string> UnscrambleText(std::string_view scrambled);

} // namespace pixtrail::update
