// The simulated receiver following the instrument's walk: its GGA positions are the walked
// meters along the survey direction from a fixed origin (47 N, 8 E), whatever the wall time.

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "sim/gps_simulator.h"
#include "tests/sim/pty_client.h"

namespace {

using tm47::test::PtyClient;

// Latitude and longitude fields of the last whole GGA sentence in `text`.
std::string LastGgaPosition(const std::string& text) {
    const std::size_t at = text.rfind("$GPGGA,");
    if (at == std::string::npos || text.find('\n', at) == std::string::npos) {
        return {};
    }
    std::size_t from = text.find(',', at + 7) + 1; // after the time field
    std::size_t to = from;
    for (int commas = 0; commas < 4; ++to) {
        commas += text[to] == ',';
    }
    return text.substr(from, to - from - 1);
}

TEST(GpsSimulatorWalk, GgaPositionsFollowTheWalkedMeters) {
    struct Case {
        double headingDeg;
        double meters;
        const char* position;
    };
    const Case cases[] = {
        {180.0, 0.0, "4700.00000,N,00800.00000,E"},
        {180.0, 100.0, "4659.94604,N,00800.00000,E"},
        {180.0, 250.0, "4659.86510,N,00800.00000,E"},
        {90.0, 100.0, "4700.00000,N,00800.07912,E"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        std::atomic<double> walked{c.meters};
        tm47::GpsConfig config;
        config.intervalMs = 50;
        config.headingDeg = c.headingDeg;
        config.metersAlongLine = [&walked] { return walked.load(); };
        tm47::GpsSimulator gps(config);
        ASSERT_TRUE(gps.Start());
        PtyClient client(gps.DevicePath());
        EXPECT_EQ(LastGgaPosition(client.Read(400)), c.position);
        gps.Stop();
    }
}

} // namespace
