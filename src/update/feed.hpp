#pragma once

#include <optional>
#include <string>
#include <string_view>

// The update feed: a small page on the home page naming the current release.
namespace pixtrail::update {

/// The text after the first `tag` (case-insensitive), at most `maxLength` characters, cut
/// before the first "<"; nullopt when the tag does not occur.
std::optional<std::string> tagValue(std::string_view page, std::string_view tag,
                                    std::size_t maxLength);

struct Feed {
    std::optional<std::string> version; ///< "<version>"
    std::optional<std::string> days;    ///< "<days>", as written
    std::string download;               ///< "<download>", read only with a version
    std::string signature;              ///< "<signature>": base64 Ed25519 of the release
};

/// Reads the tags of a feed page.
Feed parseFeed(std::string_view page);

/// Days between checks: the days text when it is numeric, else 1.
double daysBetweenChecks(const Feed& feed);

/// True when the page withdraws the running version: "<lockout>" + title + "</lockout>"
/// as one piece, ignoring case.
bool isWithdrawn(std::string_view page, std::string_view windowTitle);

} // namespace pixtrail::update
