// The Monitor/Log start refuses two enabled serial uses on one port before it opens any; the
// window's own test shows the message, that no port was opened, and that a link to the same
// device is the same port.

#include <gtest/gtest.h>

#include "app/port_check.h"

namespace tm47 {
namespace {

std::string PathByIndex(int index, SerialUse) {
    return "/no/such/com" + std::to_string(index + 1);
}

TEST(PortCheck, OnlyEnabledUsesConflict) {
    const struct {
        int gpsEnabled, outputEnabled, gpsPort, outputPort;
        bool conflict;
    } rows[] = {
        {1, 0, 0, 2, true},  // GPS on the instrument's port (COM1)
        {0, 0, 0, 0, false}, // both disabled on it
        {0, 1, 1, 0, true},  // output on the instrument's port
        {1, 1, 2, 2, true},  // GPS and output share a port
        {1, 0, 2, 2, false}, // ... with output disabled
        {0, 1, 2, 2, false}, // ... with GPS disabled
        {1, 1, 1, 2, false}, // all apart
    };
    for (const auto& row : rows) {
        Settings s;
        s.instrumentPort = 0;
        s.gpsEnabled = row.gpsEnabled;
        s.outputEnabled = row.outputEnabled;
        s.gpsPort = row.gpsPort;
        s.outputPort = row.outputPort;
        EXPECT_EQ(PortsConflict(s, PathByIndex), row.conflict)
            << row.gpsEnabled << row.outputEnabled << row.gpsPort << row.outputPort;
    }
}

} // namespace
} // namespace tm47
