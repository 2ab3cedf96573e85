#include "base/files.hpp"
#include "base/run_error.hpp"
#include "base/text.hpp"
#include "shell/debug_log.hpp"
#include "sync/run_steps.hpp"

// The browsable side of the spoiler folder: a small page per cache and index.html.
namespace pixtrail::sync {
namespace {

using shell::WriteDebug;

constexpr std::string_view kIndex = "index.html";
// The pages are Windows-1252 like every text the program writes; a browser set to another
// default encoding (a phone in Japanese, say) shows accented letters wrong without this.
constexpr std::string_view kCharset = "<meta charset=\"windows-1252\">";

std::string head(std::string_view title) {
    return "<html><head>" + std::string(kCharset) + "<title>" + std::string(title) +
           "</title></head><body>";
}

// A page written before pages declared their encoding, given the declaration.
std::string withCharset(const std::string& line) {
    if (base::containsNoCase(line, kCharset))
        return line;
    const size_t at = base::findNoCase(line, "<head>");
    if (at == std::string::npos)
        return line;
    return line.substr(0, at + 6) + std::string(kCharset) + line.substr(at + 6);
}

// A caption such as "Spoiler #2" or "100% sure" would break the link: "#" starts a
// fragment and "%" an escape. Only the addresses are encoded; the text shown stays.
std::string linkTo(std::string_view fileName) {
    std::string out;
    for (char c : fileName) {
        if (c == '%')
            out += "%25";
        else if (c == '#')
            out += "%23";
        else
            out += c;
    }
    return out;
}

std::string firstLine(const std::string& content) {
    return content.substr(0, content.find_first_of("\r\n"));
}

// First line of a file of the folder, or nullopt when it is missing.
std::optional<std::string> readFirstLine(const std::string& path) {
    const auto content = base::readFile(path);
    if (!content) {
        if (base::fileExists(path))
            throw base::RunError(base::err::kFileAccess, "sync", "Cannot read '" + path + "'");
        return std::nullopt;
    }
    return firstLine(*content);
}

void writePage(FolderIndex& folder, const std::string& name, const std::string& line) {
    const std::string path = folder.path(name);
    base::writeFileAtomically(path, line + "\r\n");
    folder.added(name);
    WriteDebug(std::to_string(line.size() + 2) + " bytes written to '" + path + "'");
}

} // namespace

void writeCachePage(RunContext& run, const std::string& name, const std::string& cacheName) {
    FolderIndex& folder = *run.folder;
    WriteDebug("Creating HTML pages for '" + name + "'");
    std::string content;
    for (const char* extension : {".jpg", ".png", ".gif"}) {
        for (const std::string& picture : folder.find(name + "*" + extension)) {
            content += "<br><a href=\"" + linkTo(picture) + "\"><img src=\"" + linkTo(picture) +
                       "\"></a><br>" + base::replaceAllNoCase(picture, extension, "") + "<br>";
        }
    }
    if (!content.empty()) {
        const std::string separator = cacheName.empty() ? "" : " - ";
        content = head(name + separator + cacheName) + content + "</body></html>";
    }

    const std::string pageName = folder.resolve(name + ".html");
    const std::string pagePath = folder.path(pageName);
    std::string oldLine;
    if (folder.contains(pageName)) {
        if (const auto line = readFirstLine(pagePath)) {
            oldLine = *line;
            WriteDebug(std::to_string(base::fileSize(pagePath).value_or(0)) +
                       " bytes already written to '" + pagePath + "'");
        }
    }
    // An existing page keeps the cache name found when the cache was scraped; a skipped
    // cache has none to offer.
    const bool keep = content.empty() || base::equalsNoCase(content, oldLine) ||
                      (cacheName.empty() && !oldLine.empty());
    if (keep && !oldLine.empty() && withCharset(oldLine) != oldLine) {
        oldLine = withCharset(oldLine);
        writePage(folder, pageName, oldLine);
    } else if (!keep) {
        writePage(folder, pageName, content);
    }
    if (!content.empty() || !oldLine.empty())
        run.pageFirstLines[pageName] = keep ? oldLine : content;
}

void writeIndex(RunContext& run) {
    FolderIndex& folder = *run.folder;
    WriteDebug("Creating index.htm file");
    std::string content = head("Pixtrail") + "<b>" + run.savedCaption + "</b>";
    for (const std::string& page : folder.find("*.html")) {
        if (base::equalsNoCase(page, kIndex))
            continue;
        std::string title = base::replaceAllNoCase(page, ".html", "");
        const auto known = run.pageFirstLines.find(page);
        const std::optional<std::string> line = known != run.pageFirstLines.end()
                                                    ? std::optional(known->second)
                                                    : readFirstLine(folder.path(page));
        if (line) {
            const size_t g = base::findNoCase(*line, "<title>");
            if (g != std::string::npos) {
                title = line->substr(g + 7, 50);
                title = title.substr(0, title.find('<'));
            }
        }
        content += "<br><a href=\"" + linkTo(page) + "\">" + title + "</a>";
    }
    content += "</body></html>";

    const std::string index = folder.resolve(kIndex);
    const std::string oldLine =
        folder.contains(index) ? readFirstLine(folder.path(index)).value_or("") : std::string();
    if (!base::equalsNoCase(content, oldLine))
        writePage(folder, index, content);
}

void removePages(RunContext& run) {
    FolderIndex& folder = *run.folder;
    for (const std::string& page : folder.find("*.html")) {
        const std::string path = folder.path(page);
        if (!base::removeFile(path) && base::fileExists(path))
            throw base::RunError(base::err::kFileAccess, "sync", "Cannot delete '" + path + "'");
        folder.removed(page);
    }
}

} // namespace pixtrail::sync
