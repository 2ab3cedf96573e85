#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Reading a cache page: its name, and the owner's picture links with their captions.
// Positions in debug lines are 1-based, as a user counting characters would.
namespace pixtrail::scrape {

/// The characters outside angle-bracket tags, then "&nbsp;" as a space. The nesting depth
/// is not clamped: after a stray ">" text is dropped until a "<" brings it back to zero.
std::string StripHtml(std::string_view text);

/// A caption as it arrives between tags, made fit for a file name: tags stripped, UTF-8
/// that arrived byte by byte repaired, numeric references 161..255 decoded, characters
/// that cannot stand in a file name removed, trimmed and cut to 50 characters.
std::string cleanCaption(std::string_view raw);

/// The cache name from the page's name element or, failing that, its title; with the
/// EN DASH that arrived as three characters repaired. Writes its debug lines.
std::string findCacheName(const std::string& page);

/// Whether a page is the cache's own details page: it holds the cache-name element, or its
/// title holds the cache's code. A sign-in, error or rate-limit page answered with status
/// 200 holds neither, and must not be taken for a cache without spoilers.
bool isCachePage(std::string_view page, std::string_view code);

/// The four picture-link prefixes, in search order, for the given image hosts.
std::vector<std::string> pictureLinkPrefixes(const std::string& host1, const std::string& host2,
                                             const std::string& host3);

/// Walks the owner's picture links of a page (before ">Logged Visits") and calls `found`
/// with each link and its cleaned caption, in page order. Writes the walk's debug lines.
void walkPictureLinks(
    const std::string& page, const std::vector<std::string>& prefixes,
    const std::function<void(const std::string& link, const std::string& caption)>& found);

/// The file name of a stored picture: code, " - ", caption and the link's last four
/// characters in lower case, without the characters a file name cannot hold; ".jpg" is
/// added when those four characters hold no ".".
std::string pictureFileName(const std::string& code, const std::string& caption,
                            const std::string& link);

} // namespace pixtrail::scrape
