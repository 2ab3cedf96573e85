#include "base/ansi_text.hpp"
#include "base/files.hpp"
#include "base/run_error.hpp"
#include "base/text.hpp"
#include "shell/debug_log.hpp"
#include "sync/run_steps.hpp"

#include <unordered_set>

// Files of caches that left the waypoint file leave the spoiler folder too.
namespace pixtrail::sync {

std::string leadingCode(std::string_view fileName) {
    size_t end = std::min(fileName.find(' '), fileName.size());
    const size_t dot = fileName.find('.');
    if (dot < end)
        end = dot;
    return std::string(fileName.substr(0, end));
}

std::unordered_set<std::string> acceptedCodes(const std::string& codeList) {
    // The "*"-delimited code list as a set: the same answer without rescanning a long text
    // for every file of a big folder. The list's doubled "*" at its start makes an empty
    // code count as present.
    std::unordered_set<std::string> codes{""};
    for (const std::string& code : base::splitLimited(codeList, '*', std::string::npos))
        codes.insert(base::ansiUpper(code));
    return codes;
}

void deleteUnusedFiles(shell::RunLink& link, RunContext& run) {
    FolderIndex& folder = *run.folder;
    shell::WriteDebug("Looking for unused files");
    const std::unordered_set<std::string> codes = acceptedCodes(run.codeList);

    // Notes of unfinished caches that left the file go silently: they are the program's
    // own bookkeeping, not the user's files.
    for (const std::string& name : folder.find(".pixtrail-incomplete-*.part")) {
        const std::string code = name.substr(21, name.size() - 21 - 5);
        if (!codes.count(base::ansiUpper(code)) && base::removeFile(folder.path(name)))
            folder.removed(name);
    }

    for (const char* pattern : {"*-*.jpg", "*-*.txt", "*.html"}) {
        for (const std::string& name : folder.find(pattern)) {
            if (codes.count(base::ansiUpper(leadingCode(name))) ||
                base::equalsNoCase(name, "index.html"))
                continue;
            const std::string path = folder.path(name);
            if (!base::removeFile(path) && base::fileExists(path))
                throw base::RunError(base::err::kFileAccess, "sync",
                                     "Cannot delete '" + path + "'");
            folder.removed(name);
            ++run.deletedCount;
            link.progress().add(link.tr("Deleted %s", " " + name));
            shell::WriteDebug("Deleted '" + name + "'");
        }
    }
}

} // namespace pixtrail::sync
