// The simulated GPS receiver over a real pseudo-terminal: its faults and what it receives.
// (Its good sentences are read by the logger's own GPS input in the session tests.)

#include "pty_client.h"
#include "sim/gps_simulator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace tm47 {
namespace {

using test::PtyClient;

// Counts the lines "$body*hh" CR LF whose two hexadecimal digits are, or are not, the
// exclusive-or of the body; -1 for a line of any other shape.
std::pair<int, int> GoodAndBad(const std::string& bytes) {
    std::istringstream in(bytes);
    std::pair<int, int> counts{0, 0};
    for (std::string line; std::getline(in, line) && !in.eof();) { // whole lines only
        const std::size_t star = line.find('*');
        if (line[0] != '$' || star == std::string::npos || star + 4 != line.size() ||
            line.back() != '\r') {
            return {-1, -1};
        }
        unsigned sum = 0;
        for (std::size_t i = 1; i < star; ++i) {
            sum ^= static_cast<unsigned char>(line[i]);
        }
        ++(std::strtoul(line.c_str() + star + 1, nullptr, 16) == sum ? counts.first
                                                                     : counts.second);
    }
    return counts;
}

TEST(Gps, BadChecksumsSilenceAndBackThenKeepsWhatTheLoggerSends) {
    GpsConfig config;
    config.intervalMs = 50;
    config.fault = GpsFault::BadChecksum;
    GpsSimulator sim(config);
    ASSERT_TRUE(sim.Start());
    PtyClient client(sim.DevicePath());
    auto [good, bad] = GoodAndBad(client.Read(250));
    EXPECT_EQ(good, 0);
    EXPECT_GE(bad, 3);
    EXPECT_GE(sim.Counters().badSentencesSent, 3u);

    sim.SetFault(GpsFault::Silent);
    client.Read(80); // an epoch may have been on its way
    EXPECT_EQ(client.Read(250), "");

    sim.SetFault(GpsFault::None);
    std::tie(good, bad) = GoodAndBad(client.Read(250));
    EXPECT_GE(good, 3);
    EXPECT_EQ(bad, 0);

    client.Write("$PSRF103,00,00,01,01*25\r\n");
    for (int i = 0; i < 100 && sim.Received().size() < 25; ++i) {
        client.Read(10);
    }
    EXPECT_EQ(sim.Received(), "$PSRF103,00,00,01,01*25\r\n");
    EXPECT_EQ(sim.Counters().bytesReceived, 25u);
    const auto before = std::chrono::steady_clock::now();
    sim.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500));
}

} // namespace
} // namespace tm47
