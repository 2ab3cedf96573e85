#include "base/folder_index.hpp"

#include "base/ansi_text.hpp"
#include "base/files.hpp"

#include <algorithm>
#include <array>
#include <numeric>

namespace pixtrail::base {
namespace {

// A byte per character whose plain byte order is the order of the case-folded Unicode
// characters, so keys compare with std::string's own comparison.
const std::array<char, 256>& sortRanks() {
    static const std::array<char, 256> ranks = [] {
        std::array<int, 256> bytes;
        std::iota(bytes.begin(), bytes.end(), 0);
        auto codePoint = [](int b) {
            return base::ansiToCodePoint(
                static_cast<unsigned char>(base::ansiToUpper(static_cast<char>(b))));
        };
        std::stable_sort(bytes.begin(), bytes.end(),
                         [&](int a, int b) { return codePoint(a) < codePoint(b); });
        std::array<char, 256> r{};
        int rank = 0;
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (i > 0 && codePoint(bytes[i]) != codePoint(bytes[i - 1]))
                ++rank;
            r[static_cast<size_t>(bytes[i])] = static_cast<char>(rank + 1); // never NUL
        }
        return r;
    }();
    return ranks;
}

std::string sortKey(std::string_view text) {
    const auto& ranks = sortRanks();
    std::string key(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i)
        key[i] = ranks[static_cast<unsigned char>(text[i])];
    return key;
}

std::string entryKey(std::string_view name) {
    std::string key = sortKey(name);
    key += '\0';
    key += name;
    return key;
}

} // namespace

FolderIndex::FolderIndex(std::string folder) : m_folder(std::move(folder)) {
    for (std::string& name : base::listFiles(m_folder, "*"))
        if (!base::isAtomicWriteTemporary(name))
            m_names.emplace(entryKey(name), std::move(name));
}

template <typename Visit> void FolderIndex::visit(std::string_view pattern, Visit visitor) const {
    const size_t wild = pattern.find_first_of("*?");
    const std::string prefix = sortKey(pattern.substr(0, wild));
    for (auto it = m_names.lower_bound(prefix); it != m_names.end(); ++it) {
        if (it->first.compare(0, prefix.size(), prefix) != 0)
            break;
        if (base::matchesWildcard(it->second, pattern) && !visitor(it->second))
            return;
    }
}

std::vector<std::string> FolderIndex::find(std::string_view pattern) const {
    std::vector<std::string> names;
    visit(pattern, [&](const std::string& name) {
        names.push_back(name);
        return true;
    });
    return names;
}

std::optional<std::string> FolderIndex::first(std::string_view pattern) const {
    std::optional<std::string> found;
    visit(pattern, [&](const std::string& name) {
        found = name;
        return false;
    });
    return found;
}

std::optional<std::string> FolderIndex::stored(std::string_view name) const {
    std::string folded = sortKey(name);
    folded += '\0';
    const auto it = m_names.lower_bound(folded);
    if (it == m_names.end() || it->first.compare(0, folded.size(), folded) != 0)
        return std::nullopt;
    return it->second;
}

void FolderIndex::added(std::string_view name) {
    m_names.emplace(entryKey(name), std::string(name));
}

void FolderIndex::removed(std::string_view name) {
    m_names.erase(entryKey(name));
}

} // namespace pixtrail::base
