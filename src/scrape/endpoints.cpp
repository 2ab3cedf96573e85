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
void readHost(const shell::IniDocument& settings, std::string_view key, std::string& host) {
    std::string value = settings.value(kSection, key, host);
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
    const shell::IniDocument settings = shell::IniDocument::load(settingsFile);
    readHost(settings, "cachehost", e.cachePageHost);
    readHost(settings, "imagehost1", e.imageHost1);
    readHost(settings, "imagehost2", e.imageHost2);
    readHost(settings, "imagehost3", e.imageHost3);
    readHost(settings, "cdnhost", e.contentDeliveryHost);
    readHost(settings, "homehost", e.homePageHost);
    e.connectivityProbe = settings.value(kSection, "probe", "");
    e.cookieFile = settings.value(kSection, "cookiefile", "");

    const std::string timeout = settings.value(kSection, "timeout", "");
    const double seconds = base::leadingNumber(timeout);
    if (seconds >= kMinTimeoutSeconds && seconds <= kMaxTimeoutSeconds)
        e.requestTimeoutSeconds = static_cast<int>(seconds);
    return e;
}

} // namespace pixtrail::scrape
