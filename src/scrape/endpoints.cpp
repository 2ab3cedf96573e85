#include "scrape/endpoints.hpp"

#include "base/text.hpp"
#include "shell/ini_file.hpp"

namespace pixtrail::scrape {
namespace {

constexpr std::string_view kSection = "Network";
constexpr int kMinTimeoutSeconds = 1;
constexpr int kMaxTimeoutSeconds = 3600;

// A host stored empty would turn every address into "http:///...", so an empty value
// counts as not set, like an absent key.
void readHost(std::string_view file, std::string_view key, std::string& host) {
    std::string value = shell::readIniValue(file, kSection, key, host);
    if (!value.empty())
        host = std::move(value);
}

} // namespace

std::string Endpoints::probeAddress() const {
    if (!connectivityProbe.empty())
        return connectivityProbe;
    return "http://" + cachePageHost + "/";
}

std::string Endpoints::homePageAddress() const {
    return "http://" + homePageHost + "/pixtrail";
}

std::string Endpoints::updateFeedAddress() const {
    return homePageAddress() + "/index" + ".htm";
}

Endpoints loadEndpoints(std::string_view settingsFile) {
    Endpoints e;
    readHost(settingsFile, "cachehost", e.cachePageHost);
    readHost(settingsFile, "imagehost1", e.imageHost1);
    readHost(settingsFile, "imagehost2", e.imageHost2);
    readHost(settingsFile, "imagehost3", e.imageHost3);
    readHost(settingsFile, "cdnhost", e.contentDeliveryHost);
    readHost(settingsFile, "homehost", e.homePageHost);
    e.connectivityProbe = shell::readIniValue(settingsFile, kSection, "probe", "");
    e.cookieFile = shell::readIniValue(settingsFile, kSection, "cookiefile", "");

    const std::string timeout = shell::readIniValue(settingsFile, kSection, "timeout", "");
    const double seconds = base::leadingNumber(timeout);
    if (seconds >= kMinTimeoutSeconds && seconds <= kMaxTimeoutSeconds)
        e.requestTimeoutSeconds = static_cast<int>(seconds);
    return e;
}

} // namespace pixtrail::scrape
