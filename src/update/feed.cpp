#include "update/feed.hpp"

#include "base/text.hpp"

namespace pixtrail::update {

std::optional<std::string> tagValue(std::string_view page, std::string_view tag,
                                    std::size_t maxLength) {
    const size_t at = base::findNoCase(page, tag);
    if (at == std::string_view::npos)
        return std::nullopt;
    std::string value(page.substr(at + tag.size(), maxLength));
    return value.substr(0, value.find('<'));
}

Feed parseFeed(std::string_view page) {
    Feed feed;
    feed.version = tagValue(page, "<version>", 100);
    feed.days = tagValue(page, "<days>", 100);
    if (feed.version && !feed.version->empty())
        feed.download = tagValue(page, "<download>", 200).value_or("");
    feed.signature = base::trimSpaces(tagValue(page, "<signature>", 200).value_or(""));
    return feed;
}

double daysBetweenChecks(const Feed& feed) {
    if (!feed.days || !base::isNumeric(*feed.days))
        return 1;
    return base::leadingNumber(base::trimSpaces(*feed.days));
}

bool isWithdrawn(std::string_view page, std::string_view windowTitle) {
    return base::containsNoCase(page, "<lockout>" + std::string(windowTitle) + "</lockout>");
}

} // namespace pixtrail::update
