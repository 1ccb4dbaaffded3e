#pragma once
// The handheld's battery as the power status last reported it. The handheld's repaint read
// the status without asking for an update, which gave the system's cached value; only the
// power check every 180 s asked for a fresh one. So the system is read when the screen is
// made and at that check, and every repaint shows the value kept here.
//
// GUI thread only.

#include <functional>
#include <utility>

#include "survey/live_reading_session.h"

namespace tm47 {

class HandheldBattery {
public:
    using Reader = std::function<int()>;

    HandheldBattery() { SetReader({}); }

    // Replaces how the system is read (empty: the host's power supply) and reads it.
    void SetReader(Reader read) {
        read_ = read ? std::move(read) : [] { return ReadHandheldBatteryPercent(); };
        Update();
    }
    // Reads the system and keeps the value.
    int Update() {
        cached_ = read_();
        return cached_;
    }
    int Cached() const { return cached_; }

private:
    Reader read_;
    int cached_ = 100;
};

} // namespace tm47
