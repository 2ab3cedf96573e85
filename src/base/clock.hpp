#pragma once

#include <chrono>
#include <string>

namespace pixtrail::base {

/// A broken-down local date and time.
struct LocalTime {
    int year = 1970;
    int month = 1; ///< 1..12
    int day = 1;   ///< 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

/// Time and sleeping go through this seam so that pacing, logs and update dates are
/// testable with a fake clock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime localNow() const = 0;
    virtual void sleepFor(std::chrono::milliseconds duration) = 0;
};

/// The real clock: the system's local time and a real sleep.
class SystemClock : public Clock {
public:
    LocalTime localNow() const override;
    void sleepFor(std::chrono::milliseconds duration) override;
};

/// The process-wide clock; tests may install their own for the duration of a test.
Clock& clock();
void setClock(Clock* clock); ///< nullptr restores the system clock

/// Abbreviated month name ("Jan".."Dec").
std::string monthAbbreviation(int month);

/// "hh:mm:ss", 24-hour, two digits each.
std::string formatTime(const LocalTime& t);

/// "d mmm yyyy" + `separator` + "hh:mm:ss": day without leading zero, e.g. "6 Dec 2026".
std::string formatDateTime(const LocalTime& t, std::string_view separator);

} // namespace pixtrail::base
