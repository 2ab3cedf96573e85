#pragma once

#include <string>
#include <unordered_set>

namespace pixtrail::scrape {

/// Decides from its caption and link whether a picture is a spoiler to keep, for the
/// links of one cache page. A rejected picture gets an empty caption.
class CaptionFilter {
public:
    CaptionFilter(bool applyOnlyWords, std::string onlyWords, bool applyIgnoreWords,
                  std::string ignoreWords);

    /// The caption after the tests: only-words, ignore-words, the two template leftovers
    /// and the repeat test. Each rejection writes one debug line.
    std::string judge(std::string caption, const std::string& link);

private:
    bool m_applyOnly;
    std::string m_onlyWords;
    bool m_applyIgnore;
    std::string m_ignoreWords;
    /// Every link met on the page, in lower case. A set rather than one long "|"-separated
    /// text, so a page with very many links is not searched again for each of them.
    std::unordered_set<std::string> m_seenLinks;
};

} // namespace pixtrail::scrape
