#include "base/files.hpp"

#include "base/ansi_text.hpp"
#include "base/native_file.hpp"
#include "base/process.hpp"
#include "base/run_error.hpp"
#include "base/text.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

namespace pixtrail::base {
namespace {

std::atomic<bool> g_failRenames{false};
std::mutex g_failRemovalMutex;
std::string g_failRemoval;

constexpr std::string_view kTempPrefix = ".pixtrail-";
constexpr std::string_view kTempSuffix = ".tmp";

std::string randomSuffix() {
    static thread_local std::mt19937_64 rng{std::random_device{}()};
    static constexpr char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string s(10, 'x');
    for (char& c : s)
        c = kDigits[rng() % (sizeof kDigits - 1)];
    return s;
}

bool wildcardCore(std::string_view name, std::string_view pattern) {
    size_t n = 0, p = 0;
    size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || ansiToUpper(pattern[p]) == ansiToUpper(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string out(folder);
    if (!out.empty() && out.back() != kPathSeparator && out.back() != '/')
        out += kPathSeparator;
    out += name;
    return out;
}

bool fileExists(std::string_view path) {
    std::error_code ec;
    return fs::is_regular_file(nativePath(path), ec);
}

bool directoryExists(std::string_view path) {
    std::error_code ec;
    return fs::is_directory(nativePath(path), ec);
}

std::optional<std::uintmax_t> fileSize(std::string_view path) {
    std::error_code ec;
    const auto size = fs::file_size(nativePath(path), ec);
    if (ec)
        return std::nullopt;
    return size;
}

std::optional<std::string> readFile(std::string_view path) {
    const fs::path native = nativePath(path);
    std::error_code ec;
    if (!fs::is_regular_file(native, ec))
        return std::nullopt;
    std::ifstream in(native, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string content;
    const auto expected = fs::file_size(native, ec);
    if (!ec)
        content.reserve(static_cast<size_t>(expected));
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        content.append(buffer, static_cast<size_t>(in.gcount()));
    if (in.bad())
        return std::nullopt;
    return content;
}

std::string whyUnreadable(std::string_view path) {
    const fs::path native = nativePath(path);
    std::error_code ec;
    if (fs::is_directory(native, ec))
        return std::strerror(EISDIR);
    std::FILE* in = openNativeFile(native, "rb");
    if (!in)
        return std::strerror(errno);
    std::fclose(in);
    return {};
}

void writeFileAtomically(std::string_view path, std::string_view content) {
    const fs::path target = nativePath(path);
    fs::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    auto fail = [&](const std::string& why) {
        throw RunError(err::kFileAccess, "writeFileAtomically",
                       "Cannot write '" + std::string(path) + "': " + why);
    };

    fs::path temp;
    std::FILE* out = nullptr;
    for (int attempt = 0; attempt < 16 && !out; ++attempt) {
        temp = folder / (std::string(kTempPrefix) + randomSuffix() + std::string(kTempSuffix));
        out = createNewFile(temp); // exclusive: never reuse someone else's file
        if (!out && errno != EEXIST)
            fail(std::strerror(errno));
    }
    if (!out)
        fail("no free temporary name");

    const bool written = std::fwrite(content.data(), 1, content.size(), out) == content.size();
    const int writeErrno = errno;
    const bool closed = std::fclose(out) == 0;
    std::error_code ec;
    if (!written || !closed) {
        fs::remove(temp, ec);
        fail(std::strerror(written ? errno : writeErrno));
    }

    const auto oldStatus = fs::status(target, ec);
    if (!ec && fs::is_regular_file(oldStatus))
        fs::permissions(temp, oldStatus.permissions(), ec);

    if (g_failRenames.load()) {
        fs::remove(temp, ec);
        fail("rename refused (test)");
    }
    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        fail(ec.message());
    }
}

bool isAtomicWriteTemporary(std::string_view name) {
    return name.size() > kTempPrefix.size() + kTempSuffix.size() &&
           name.substr(0, kTempPrefix.size()) == kTempPrefix &&
           name.substr(name.size() - kTempSuffix.size()) == kTempSuffix;
}

int removeLeftoverTemporaries(std::string_view folder) {
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(nativePath(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = ansiPath(it->path().filename());
        std::error_code rmEc;
        if (isAtomicWriteTemporary(name) && it->is_regular_file(rmEc) &&
            fs::remove(it->path(), rmEc))
            ++removed;
    }
    return removed;
}

bool removeFile(std::string_view path) {
    {
        const std::lock_guard lock(g_failRemovalMutex);
        if (!g_failRemoval.empty() && path == g_failRemoval)
            return false;
    }
    std::error_code ec;
    return fs::remove(nativePath(path), ec) && !ec;
}

bool createDirectory(std::string_view path, std::string* why) {
    std::error_code ec;
    const bool created = fs::create_directory(nativePath(path), ec) && !ec;
    if (ec && why)
        *why = ec.message();
    return created;
}

bool matchesWildcard(std::string_view name, std::string_view pattern) {
    if (wildcardCore(name, pattern))
        return true;
    // "*.*" and "x*.*" also match names without an extension, as they do on Windows.
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
        name.find('.') == std::string_view::npos)
        return wildcardCore(name, pattern.substr(0, pattern.size() - 2));
    return false;
}

std::vector<std::string> listFiles(std::string_view folder, std::string_view pattern) {
    std::vector<std::string> names;
    std::error_code ec;
    const fs::path dir = folder.empty() ? fs::path(".") : nativePath(folder);
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeEc;
        if (!it->is_regular_file(typeEc))
            continue;
        std::string name;
        const bool representable = entryNameInAnsi(it->path().filename(), name);
        if (representable && matchesWildcard(name, pattern))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return compareNoCase(a, b) < 0; });
    return names;
}

std::vector<std::string> findFiles(std::string_view folderAndPattern) {
    const size_t cut = folderAndPattern.find_last_of(kPathSeparator == '/' ? "/" : "/\\");
    if (cut == std::string_view::npos)
        return listFiles("", folderAndPattern);
    return listFiles(folderAndPattern.substr(0, cut + 1), folderAndPattern.substr(cut + 1));
}

fs::path executableDirectory() {
    std::error_code ec;
    const fs::path exe = executablePath();
    if (exe.empty())
        return fs::current_path(ec);
    return exe.parent_path();
}

bool isDirectoryWritable(const fs::path& folder) {
    const fs::path probe =
        folder / (std::string(kTempPrefix) + randomSuffix() + std::string(kTempSuffix));
    std::FILE* f = createNewFile(probe);
    if (!f)
        return false;
    std::fclose(f);
    std::error_code ec;
    fs::remove(probe, ec);
    return true;
}

void failAtomicRenamesForTesting(bool fail) {
    g_failRenames.store(fail);
}

void failRemovalForTesting(std::string path) {
    const std::lock_guard lock(g_failRemovalMutex);
    g_failRemoval = std::move(path);
}

} // namespace pixtrail::base
