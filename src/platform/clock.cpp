#include "platform/clock.h"

#include <ctime>
#include <thread>

namespace tm47 {

SystemClock::SystemClock() : start_(std::chrono::steady_clock::now()) {}

uint32_t SystemClock::Tick() const {
    auto elapsed = std::chrono::steady_clock::now() - start_;
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

LocalTime SystemClock::Local() const {
    auto now = std::chrono::system_clock::now();
    std::time_t secs = std::chrono::system_clock::to_time_t(now);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    std::tm tm{};
    localtime_r(&secs, &tm);
    return LocalTime{
        tm.tm_year + 1900,           tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
        static_cast<int>(ms.count())};
}

void WaitMs(const Clock& clock, uint32_t ms) {
    const uint32_t start = clock.Tick();
    while (!TickPassed(clock.Tick(), start, ms)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace tm47
