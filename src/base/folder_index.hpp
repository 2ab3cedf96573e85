#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pixtrail::base {

/// The spoiler folder's file names, listed once per run and kept current by every write
/// and delete of the run, so that the many wildcard queries of a run over a big folder
/// never walk the directory again. Names are kept in the order Windows lists them
/// (case-insensitive), and a query whose pattern starts with literal characters only
/// looks at the names that start with them.
class FolderIndex {
public:
    /// Lists the regular files of `folder` (a path ending with the separator).
    explicit FolderIndex(std::string folder);

    const std::string& folder() const { return m_folder; }
    /// folder + name
    std::string path(std::string_view name) const { return m_folder + std::string(name); }

    /// Names matching a Windows wildcard pattern, in listing order.
    std::vector<std::string> find(std::string_view pattern) const;
    /// The first name matching, as a directory search would return it.
    std::optional<std::string> first(std::string_view pattern) const;
    /// Whether a file of that name exists, its letter case ignored as on Windows.
    bool contains(std::string_view name) const { return stored(name).has_value(); }
    /// The name a file of that name (letter case ignored) is stored under, or nullopt.
    std::optional<std::string> stored(std::string_view name) const;
    /// The stored name when such a file exists, else `name`: the name to write a file
    /// under, so a second file differing only in case never appears beside the first.
    std::string resolve(std::string_view name) const {
        return stored(name).value_or(std::string(name));
    }
    std::size_t size() const { return m_names.size(); }

    /// Records a file the run has just written (no effect when already known).
    void added(std::string_view name);
    /// Records a file the run has just deleted (its stored name).
    void removed(std::string_view name);

private:
    template <typename Visit> void visit(std::string_view pattern, Visit visitor) const;

    std::string m_folder;
    // Sort key (case folded, in Unicode order) + NUL + the name itself, mapped to the
    // name: names differing only in case (possible on Linux) stay apart.
    std::map<std::string, std::string> m_names;
};

} // namespace pixtrail::base
