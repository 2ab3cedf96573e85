#pragma once

#include <string>

namespace pixtrail::shell {

constexpr const char* kProductName = "Pixtrail";
constexpr int kVersionMajor = PIXTRAIL_VERSION_MAJOR;
constexpr int kVersionMinor = PIXTRAIL_VERSION_MINOR;
constexpr int kVersionRevision = PIXTRAIL_VERSION_REVISION;

/// "1.0.37"
inline std::string versionText() {
    return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
           std::to_string(kVersionRevision);
}

/// The window title: "Pixtrail v1.0.37". Never translated.
inline std::string windowTitle() {
    return std::string(kProductName) + " v" + versionText();
}

} // namespace pixtrail::shell
