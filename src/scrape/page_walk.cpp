#include "scrape/page_walk.hpp"

#include "base/ansi_text.hpp"
#include "base/text.hpp"
#include "shell/debug_log.hpp"

#include <algorithm>

namespace pixtrail::scrape {
namespace {

using shell::WriteDebug;

constexpr std::string_view kCacheNameMarker = "id=\"ctl00_ContentBody_CacheName\">";

// The page is searched with 1-based positions, 0 meaning "not found", so that the
// walk's arithmetic reads exactly as the positions in its debug lines.
size_t instr(std::string_view text, std::string_view what, size_t start1 = 1) {
    if (start1 == 0)
        start1 = 1;
    const size_t hit = base::findNoCase(text, what, start1 - 1);
    return hit == std::string_view::npos ? 0 : hit + 1;
}

std::string mid(std::string_view text, size_t start1, size_t length) {
    if (start1 == 0 || start1 > text.size())
        return {};
    return std::string(text.substr(start1 - 1, length));
}

// Repeated searches for one needle from rising positions, answered from the last hit while
// it still lies ahead. A big page with many links (or none of a marker) is then walked in
// linear time instead of being rescanned for every link.
class Finder {
public:
    Finder(std::string_view text, std::string_view needle) : m_text(text), m_needle(needle) {}

    /// Like instr: 1-based start, 1-based result, 0 when not found.
    size_t find(size_t start1) {
        if (start1 == 0)
            start1 = 1;
        const size_t from = start1 - 1;
        const bool known = m_searched && from >= m_from && (m_hit == npos || m_hit >= from);
        if (!known) {
            m_from = from;
            m_hit = base::findNoCase(m_text, m_needle, from);
            m_searched = true;
        }
        return m_hit == npos ? 0 : m_hit + 1;
    }

private:
    static constexpr size_t npos = std::string_view::npos;
    std::string_view m_text;
    std::string_view m_needle;
    bool m_searched = false;
    size_t m_from = 0;
    size_t m_hit = npos;
};

size_t nearer(size_t a, size_t b) {
    if (a == 0 || b == 0)
        return 0;
    return std::min(a, b);
}

} // namespace

std::string StripHtml(std::string_view text) {
    std::string out;
    long depth = 0;
    for (char c : text) {
        if (c == '<')
            ++depth;
        else if (c == '>')
            --depth;
        else if (depth == 0)
            out += c;
    }
    return base::replaceAllNoCase(out, "&nbsp;", " ");
}

std::string cleanCaption(std::string_view raw) {
    std::string caption = base::trimSpaces(StripHtml(raw));
    // UTF-8 letters arrive as "Ã" and a second character. Compared byte for byte: with
    // case folding the pair for "ü" would match the one for "Ì" first.
    for (int k = 161; k <= 255; ++k)
        caption = base::replaceAll(caption, std::string{'\xC3', static_cast<char>(k - 64)},
                                   std::string(1, static_cast<char>(k)));
    for (int k = 161; k <= 255; ++k)
        caption = base::replaceAllNoCase(caption, "&#" + std::to_string(k) + ";",
                                         std::string(1, static_cast<char>(k)));
    for (std::string_view removed :
         {"'", "\"", ":",  "/",  "\\",    "+",      "-", "=", "<", ">",    "*",
          "?", "\r", "\n", "\t", "&amp;", "&quot;", "&", ";", "|", ".jpg", ".gif"})
        caption = base::replaceAllNoCase(caption, removed, "");
    caption = base::trimSpaces(caption);
    if (caption.size() > 50)
        caption.resize(50);
    return caption;
}

std::string findCacheName(const std::string& page) {
    WriteDebug("Looking for CacheName");
    std::string name;
    size_t p = instr(page, kCacheNameMarker);
    size_t start = p + 33;
    if (p == 0) {
        p = instr(page, "<title>");
        start = p + 14;
    }
    if (p > 0) {
        name = mid(page, start, 100);
        name = name.substr(0, name.find('<'));
        WriteDebug("CacheName '" + name + "' found at " + std::to_string(p));
    }
    // The UTF-8 bytes of an EN DASH, read one character per byte, compared exactly.
    return base::replaceAll(name, "\xE2\x80\x93", "-");
}

bool isCachePage(std::string_view page, std::string_view code) {
    if (base::containsNoCase(page, kCacheNameMarker))
        return true;
    const size_t title = base::findNoCase(page, "<title>");
    if (title == std::string_view::npos)
        return false;
    const std::string_view text = page.substr(title + 7);
    return base::containsNoCase(text.substr(0, text.find('<')), code);
}

std::vector<std::string> pictureLinkPrefixes(const std::string& host1, const std::string& host2,
                                             const std::string& host3) {
    return {"http://" + host1 + "/cache/", "http://" + host2 + "/cache/",
            "http://" + host3 + "/cache/", "https://" + host1 + "/cache/"};
}

void walkPictureLinks(const std::string& page, const std::vector<std::string>& prefixes,
                      const std::function<void(const std::string&, const std::string&)>& found) {
    WriteDebug("Looking for picture links");
    size_t limit = instr(page, ">Logged Visits");
    if (limit == 0)
        limit = page.size();
    std::vector<Finder> prefixFinders;
    for (const std::string& prefix : prefixes)
        prefixFinders.emplace_back(page, prefix);
    Finder spanStart(page, "<sp"), tagEnd(page, ">"), spanClose(page, "</span"),
        tagStart(page, "<"), linkClose(page, "</a>"),
        description(page, "<span class=\"description\">"), descriptionEnd(page, "</span>");

    size_t p = 0;      // the current link position
    size_t endPos = 0; // where the last link or caption ended
    do {
        if (p < endPos)
            p = endPos;
        size_t next = 0;
        for (Finder& prefix : prefixFinders) {
            const size_t at = prefix.find(p + 1);
            if (at > 0 && (next == 0 || at < next))
                next = at;
        }
        p = next;
        const bool qualifies = p > 100 && base::containsNoCase(mid(page, p - 10, 10), "href");
        if (p == 0 || p >= limit || !qualifies)
            continue;

        const size_t linkEnd = nearer(spanStart.find(p + 1), tagEnd.find(p + 1));
        if (linkEnd == 0)
            continue;
        WriteDebug(std::to_string(linkEnd - p) + " bytes found at position " + std::to_string(p));
        std::string link = mid(page, p, linkEnd - p);

        // A link followed by more attributes is cut after its extension. ".jpeg" counts
        // too, or its address would keep the attributes and never download.
        size_t e = 0;
        size_t extensionLength = 4;
        for (std::string_view ext : {".jpg", ".gif", ".png", ".htm", ".txt", ".jpeg"}) {
            const size_t at = instr(link, ext);
            if (at > 0 && (e == 0 || at < e)) {
                e = at;
                extensionLength = ext.size();
            }
        }
        if (e > 0 && e + 3 < link.size() && link.find(' ') != std::string::npos) {
            link = link.substr(0, e - 1 + extensionLength);
            WriteDebug("Image is '" + link + "'");
        }

        p = linkEnd + 1;
        const size_t spanEnd = spanClose.find(p + 1);
        const size_t captionEnd = spanEnd == 0 ? 0 : nearer(spanEnd, tagStart.find(p + 1));
        endPos = captionEnd;
        if (captionEnd == 0)
            continue;
        std::string caption = cleanCaption(mid(page, p, captionEnd - p));

        // Newer pages leave the link text empty and put the caption in a description
        // right after the link.
        if (caption.empty()) {
            const size_t close = linkClose.find(p);
            const size_t span = close == 0 ? 0 : description.find(close + 4);
            if (span > 0 && span - (close + 4) < 200) {
                const size_t textStart = span + 26;
                const size_t textEnd = descriptionEnd.find(textStart);
                if (textEnd > 0)
                    caption = cleanCaption(mid(page, textStart, textEnd - textStart));
            }
        }
        WriteDebug("Caption is '" + caption + "'");
        found(link, caption);
    } while (p != 0);
}

std::string pictureFileName(const std::string& code, const std::string& caption,
                            const std::string& link) {
    std::string name = code + " - " + caption +
                       base::ansiLower(link.size() >= 4 ? link.substr(link.size() - 4) : link);
    std::erase_if(name, [](char c) {
        return c == ':' || c == '\\' || c == '/' || c == '<' || c == '>' || c == '"' || c == '\r' ||
               c == '\n' || c == '\t' || c == '\0';
    });
    if (name.substr(name.size() >= 4 ? name.size() - 4 : 0).find('.') == std::string::npos)
        name += ".jpg";
    return name;
}

} // namespace pixtrail::scrape
