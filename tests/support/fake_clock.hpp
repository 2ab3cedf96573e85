#pragma once

#include "base/clock.hpp"

#include <chrono>
#include <vector>

namespace pixtrail::testing {

/// A clock that stands still until told otherwise; sleeping advances it instead of
/// waiting. Installs itself as the process clock for its lifetime.
class FakeClock : public base::Clock {
public:
    explicit FakeClock(base::LocalTime start);
    ~FakeClock() override;

    base::LocalTime localNow() const override { return m_now; }
    void sleepFor(std::chrono::milliseconds duration) override;

    void set(base::LocalTime now) { m_now = now; }
    /// Moves the clock on by whole seconds (within one day).
    void advanceSeconds(int seconds);
    const std::vector<std::chrono::milliseconds>& sleeps() const { return m_sleeps; }

private:
    base::LocalTime m_now;
    std::vector<std::chrono::milliseconds> m_sleeps;
};

} // namespace pixtrail::testing
