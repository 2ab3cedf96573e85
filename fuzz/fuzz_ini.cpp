#include "shell/ini_file.hpp"

#include <cstddef>
#include <cstdint>
#include <string>

// An INI file of any bytes: reading, and a write that must change only its own key.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using pixtrail::shell::IniDocument;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    IniDocument doc = IniDocument::parse(bytes);
    doc.get("Settings", "delay");
    doc.get("Pixtrail", "STAR5TART");
    // Untouched, a document writes back exactly what it read.
    if (doc.serialize() != bytes)
        __builtin_trap();
    doc.set("Settings", "delay", "42");
    const auto value = IniDocument::parse(doc.serialize()).get("Settings", "delay");
    if (value != std::string("42"))
        __builtin_trap();
    return 0;
}
