#include "base/native_file.hpp"

#include "base/ansi_text.hpp"
#include "base/files.hpp"

namespace fs = std::filesystem;

namespace pixtrail::base {

fs::path nativePath(std::string_view ansi) {
    return fs::path(ansiToUtf8(ansi));
}

std::string ansiPath(const fs::path& path) {
    return utf8ToAnsi(path.native());
}

std::FILE* openNativeFile(const fs::path& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

std::FILE* createNewFile(const fs::path& path) {
    return std::fopen(path.c_str(), "wbx");
}

bool entryNameInAnsi(const fs::path& name, std::string& ansi) {
    bool representable = false;
    ansi = utf8ToAnsi(name.native(), '?', &representable);
    return representable;
}

} // namespace pixtrail::base
