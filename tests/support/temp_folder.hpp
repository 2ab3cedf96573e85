#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace pixtrail::testing {

/// A fresh folder under the system's temporary folder, removed with everything in it
/// when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    /// Windows-1252 path of a file in the folder.
    std::string file(std::string_view name) const;

    /// Writes raw bytes to a file in the folder (test setup, not the code under test).
    void write(std::string_view name, std::string_view bytes) const;
    /// Raw bytes of a file in the folder; empty when missing.
    std::string read(std::string_view name) const;
    bool exists(std::string_view name) const;

private:
    std::filesystem::path m_path;
};

} // namespace pixtrail::testing
