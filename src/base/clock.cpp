#include "base/clock.hpp"

#include <array>
#include <cstdio>
#include <ctime>
#include <thread>

namespace pixtrail::base {

LocalTime SystemClock::localNow() const {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

void SystemClock::sleepFor(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

namespace {
Clock* g_installed = nullptr;
} // namespace

Clock& clock() {
    static SystemClock systemClock;
    return g_installed ? *g_installed : systemClock;
}

void setClock(Clock* c) {
    g_installed = c;
}

std::string monthAbbreviation(int month) {
    static const std::array<const char*, 12> kNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (month < 1 || month > 12)
        return "???";
    return kNames[static_cast<size_t>(month - 1)];
}

std::string formatTime(const LocalTime& t) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour % 100, t.minute % 100, t.second % 100);
    return buf;
}

std::string formatDateTime(const LocalTime& t, std::string_view separator) {
    return std::to_string(t.day) + " " + monthAbbreviation(t.month) + " " + std::to_string(t.year) +
           std::string(separator) + formatTime(t);
}

} // namespace pixtrail::base
