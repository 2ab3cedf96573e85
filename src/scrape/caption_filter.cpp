#include "scrape/caption_filter.hpp"

#include "base/ansi_text.hpp"
#include "base/text.hpp"
#include "shell/debug_log.hpp"

#include <string_view>

namespace pixtrail::scrape {
namespace {

using shell::WriteDebug;

// The first trimmed, non-empty word of the comma list that the caption contains.
std::string firstWordIn(const std::string& caption, const std::string& list) {
    for (const std::string& item : base::splitLimited(list, ',', std::string::npos)) {
        const std::string word = base::trimSpaces(item);
        if (!word.empty() && base::containsNoCase(caption, word))
            return word;
    }
    return {};
}

} // namespace

CaptionFilter::CaptionFilter(bool applyOnlyWords, std::string onlyWords, bool applyIgnoreWords,
                             std::string ignoreWords)
    : m_applyOnly(applyOnlyWords), m_onlyWords(std::move(onlyWords)),
      m_applyIgnore(applyIgnoreWords), m_ignoreWords(std::move(ignoreWords)) {}

std::string CaptionFilter::judge(std::string caption, const std::string& link) {
    if (m_applyOnly && !m_onlyWords.empty() && firstWordIn(caption, m_onlyWords).empty()) {
        caption.clear();
        WriteDebug("Image rejected no keyworkds match");
    }
    if (m_applyIgnore && !m_ignoreWords.empty()) {
        const std::string word = firstWordIn(caption, m_ignoreWords);
        if (!word.empty()) {
            WriteDebug("Image rejected because it contains keyword '" + word + "'");
            caption.clear();
        }
    }
    // Captions that are really unfilled page templates.
    for (std::string_view leftover : {"${Name}", "$item.data"}) {
        if (!caption.empty() && base::containsNoCase(caption, leftover)) {
            WriteDebug("Image rejected because it contains keyword '" + std::string(leftover) +
                       "'");
            caption.clear();
        }
    }
    if (!m_seenLinks.insert(base::ansiLower(link)).second) {
        caption.clear();
        WriteDebug("Image rejected because it has already been downloaded");
    }
    return caption;
}

} // namespace pixtrail::scrape
