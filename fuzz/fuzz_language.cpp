#include "shell/main_window.hpp"
#include "shell/translation.hpp"

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <unistd.h>

// A language file of any bytes (UTF-8 or Windows-1252), used to translate the window and a
// text with a placeholder; missing texts are written back into it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string file =
        "/tmp/pixtrail-fuzz-language-" + std::to_string(getpid()) + ".ini";
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    const pixtrail::shell::Translator translator(file);
    pixtrail::shell::MainWindowModel window;
    translator.TranslatePage(window);
    pixtrail::shell::translateWith(translator, "%s spoilers", "3");
    pixtrail::shell::translationKey(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
