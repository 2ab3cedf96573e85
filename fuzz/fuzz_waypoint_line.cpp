#include "sync/waypoint_reader.hpp"

#include <cstddef>
#include <cstdint>
#include <string>

// A waypoint file line of any bytes: the name found, its acceptance and the file-name check.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const std::string name = pixtrail::sync::extractWaypointName(line);
    for (bool force : {false, true}) {
        const auto accepted = pixtrail::sync::acceptWaypointName(name, force);
        // An accepted name never leads out of the folder.
        if (accepted.accepted && accepted.name.find_first_of(":\\/") != std::string::npos)
            __builtin_trap();
        pixtrail::sync::isSafeFileName(accepted.name);
    }
    return 0;
}
