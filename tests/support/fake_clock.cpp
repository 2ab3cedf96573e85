#include "support/fake_clock.hpp"

namespace pixtrail::testing {

FakeClock::FakeClock(base::LocalTime start) : m_now(start) {
    base::setClock(this);
}

FakeClock::~FakeClock() {
    base::setClock(nullptr);
}

void FakeClock::sleepFor(std::chrono::milliseconds duration) {
    m_sleeps.push_back(duration);
    advanceSeconds(static_cast<int>(duration.count() / 1000));
}

void FakeClock::advanceSeconds(int seconds) {
    int total = m_now.hour * 3600 + m_now.minute * 60 + m_now.second + seconds;
    m_now.day += total / 86400;
    total %= 86400;
    m_now.hour = total / 3600;
    m_now.minute = total / 60 % 60;
    m_now.second = total % 60;
}

} // namespace pixtrail::testing
