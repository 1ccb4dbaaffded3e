// The Monitor/Log start refuses two enabled serial uses on one port before it opens any; the
// window's own test shows the message, that no port was opened, and that a link to the same
// device is the same port.

#include <gtest/gtest.h>

#include <array>

#include "app/port_check.h"

namespace tm47 {
namespace {

std::string PathByIndex(int index, SerialUse) {
    return "/no/such/com" + std::to_string(index + 1);
}

TEST(PortCheck, OnlyEnabledUsesConflict) {
    // GPS enabled, output enabled, GPS port, output port (the instrument on COM1), conflict.
    const std::array<int, 5> rows[] = {
        {1, 0, 0, 2, 1}, {0, 0, 0, 0, 0}, {0, 1, 1, 0, 1}, // GPS, neither, output on COM1
        {1, 1, 2, 2, 1}, {1, 0, 2, 2, 0}, {0, 1, 2, 2, 0}, // sharing COM3: both, one disabled
        {1, 1, 1, 2, 0},                                   // all apart
    };
    for (const auto& [gps, output, gpsPort, outputPort, conflict] : rows) {
        Settings s;
        s.instrumentPort = 0;
        s.gpsEnabled = gps;
        s.outputEnabled = output;
        s.gpsPort = gpsPort;
        s.outputPort = outputPort;
        EXPECT_EQ(PortsConflict(s, PathByIndex), conflict == 1)
            << gps << output << gpsPort << outputPort;
    }
}

} // namespace
} // namespace tm47
