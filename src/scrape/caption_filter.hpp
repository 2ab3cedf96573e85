#pragma once

#include <string>

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
    std::string m_seenLinks; ///< "|link|" per link met, in lower case
};

} // namespace pixtrail::scrape
