#include "support/temp_folder.hpp"

#include "base/files.hpp"

#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace pixtrail::testing {

TempFolder::TempFolder() {
    std::random_device rd;
    for (;;) {
        m_path = fs::temp_directory_path() / ("pixtrail-test-" + std::to_string(rd()));
        if (fs::create_directory(m_path))
            break;
    }
}

TempFolder::~TempFolder() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::string TempFolder::file(std::string_view name) const {
    return base::joinPath(base::ansiPath(m_path), name);
}

void TempFolder::write(std::string_view name, std::string_view bytes) const {
    std::ofstream out(base::nativePath(file(name)), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempFolder::read(std::string_view name) const {
    std::ifstream in(base::nativePath(file(name)), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool TempFolder::exists(std::string_view name) const {
    std::error_code ec;
    return fs::exists(base::nativePath(file(name)), ec);
}

} // namespace pixtrail::testing
