#pragma once
// Every time difference in the logger is taken on the 32-bit millisecond tick, so once the
// tick passes 20 days the program refuses to run and asks for a restart of the device.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace tm47 {

inline constexpr std::string_view kProgramStopCaption = "PROGRAM STOP";

// The five lines of the message, joined by CR LF.
std::string ProgramStopText();

inline bool PastTickLimit(uint32_t tick) {
    return tick > kTickLimitMs;
}

} // namespace tm47
