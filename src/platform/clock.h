#pragma once
// Time as the logger sees it: a 32-bit millisecond tick counted from program start on a
// monotonic clock (it wraps after 49.7 days, so every "now - start > ms" test is done on
// unsigned differences), and the local wall-clock time with milliseconds. Both are
// injectable so tests can stand at any tick or date.

#include <atomic>
#include <chrono>
#include <cstdint>

namespace tm47 {

struct LocalTime {
    int year = 0;
    int month = 0; // 1..12
    int day = 0;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t Tick() const = 0;
    virtual LocalTime Local() const = 0;
};

// The real clock: steady_clock since construction, and the host's local time.
class SystemClock final : public Clock {
public:
    SystemClock();
    uint32_t Tick() const override;
    LocalTime Local() const override;

private:
    std::chrono::steady_clock::time_point start_;
};

// A clock that tests move by hand. Tick and local time are independent; Advance moves both.
class ManualClock final : public Clock {
public:
    explicit ManualClock(uint32_t tick = 0, LocalTime local = {2026, 5, 14, 12, 0, 0, 0})
        : tick_(tick), local_(local) {}
    uint32_t Tick() const override { return tick_.load(); }
    LocalTime Local() const override { return local_; }
    void SetTick(uint32_t t) { tick_.store(t); }
    void Advance(uint32_t ms) { tick_.fetch_add(ms); }
    void SetLocal(const LocalTime& t) { local_ = t; }

private:
    std::atomic<uint32_t> tick_;
    LocalTime local_;
};

// Milliseconds from `start` to `now`, correct across the 32-bit wrap.
inline uint32_t TickDiff(uint32_t now, uint32_t start) {
    return now - start;
}

// True once more than `ms` milliseconds have passed between `start` and `now`.
inline bool TickPassed(uint32_t now, uint32_t start, uint32_t ms) {
    return TickDiff(now, start) > ms;
}

// The tick as records print it: a signed 32-bit number.
inline int32_t SignedTick(uint32_t tick) {
    return static_cast<int32_t>(tick);
}

// Waits until more than `ms` milliseconds have passed on `clock`. The original busy-waited;
// this keeps the blocking meaning but sleeps in 1 ms steps.
void WaitMs(const Clock& clock, uint32_t ms);

// The program refuses to run once the tick passes 20 days.
inline constexpr uint32_t kTickLimitMs = 1728000000u;

} // namespace tm47
