// The simulated GPS receiver over a real pseudo-terminal.

#include "pty_client.h"
#include "sim/gps_simulator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace tm47 {
namespace {

using test::PtyClient;

// Lines as the logger frames them: each ends in CR LF.
std::vector<std::string> Lines(const std::string& bytes, bool* allEndCrLf) {
    std::vector<std::string> lines;
    *allEndCrLf = true;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            if (i == start || bytes[i - 1] != '\r') {
                *allEndCrLf = false;
            }
            lines.push_back(bytes.substr(start, i - start - 1));
            start = i + 1;
        }
    }
    return lines;
}

// The receiving side's check, written independently of the simulator: "$", body, "*", two
// hexadecimal digits, exclusive-or of the body.
bool ChecksumValid(const std::string& line) {
    const std::size_t star = line.find('*');
    if (line.empty() || line[0] != '$' || star == std::string::npos || star + 3 != line.size()) {
        return false;
    }
    unsigned sum = 0;
    for (std::size_t i = 1; i < star; ++i) {
        sum ^= static_cast<unsigned char>(line[i]);
    }
    return std::strtoul(line.c_str() + star + 1, nullptr, 16) == sum;
}

GpsConfig Fast(GpsFault fault) {
    GpsConfig c;
    c.intervalMs = 50;
    c.fault = fault;
    return c;
}

TEST(Gps, EveryEpochSendsGgaGsaRmcWithValidChecksums) {
    GpsSimulator sim(Fast(GpsFault::None));
    ASSERT_TRUE(sim.Start());
    PtyClient client(sim.DevicePath());
    bool crlf = false;
    const auto lines = Lines(client.ReadFor(400), &crlf);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_TRUE(crlf);
    int gga = 0, gsa = 0, rmc = 0;
    for (const std::string& l : lines) {
        EXPECT_TRUE(ChecksumValid(l)) << l;
        EXPECT_LE(l.size() + 2, 82u) << "NMEA sentences are at most 82 characters";
        gga += l.rfind("$GPGGA,", 0) == 0;
        gsa += l.rfind("$GPGSA,", 0) == 0;
        rmc += l.rfind("$GPRMC,", 0) == 0;
    }
    EXPECT_GE(gga, 2);
    EXPECT_GE(gsa, 2);
    EXPECT_GE(rmc, 2);
}

TEST(Gps, FaultsGiveBadChecksumsOrSilence) {
    GpsSimulator sim(Fast(GpsFault::BadChecksum));
    ASSERT_TRUE(sim.Start());
    PtyClient client(sim.DevicePath());
    bool crlf = false;
    auto lines = Lines(client.ReadFor(250), &crlf);
    ASSERT_GE(lines.size(), 3u);
    for (const std::string& l : lines) {
        EXPECT_FALSE(ChecksumValid(l)) << l;
        EXPECT_EQ(l.find('*') + 3, l.size()) << "still two hexadecimal digits: " << l;
    }
    EXPECT_GE(sim.Counters().badSentencesSent, 3u);

    sim.SetFault(GpsFault::Silent);
    client.ReadFor(80); // an epoch may have been on its way
    EXPECT_EQ(client.ReadFor(250), "");

    sim.SetFault(GpsFault::None);
    lines = Lines(client.ReadFor(250), &crlf);
    ASSERT_GE(lines.size(), 3u);
    for (const std::string& l : lines) {
        EXPECT_TRUE(ChecksumValid(l)) << l;
    }
}

TEST(Gps, KeepsWhatTheLoggerSends) {
    GpsSimulator sim(Fast(GpsFault::Silent));
    ASSERT_TRUE(sim.Start());
    PtyClient client(sim.DevicePath());
    client.Write("$PSRF103,00,00,01,01*25\r\n");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (sim.Received().size() < 25 && std::chrono::steady_clock::now() < deadline) {
        client.ReadFor(10);
    }
    EXPECT_EQ(sim.Received(), "$PSRF103,00,00,01,01*25\r\n");
    EXPECT_EQ(sim.Counters().bytesReceived, 25u);
}

TEST(Gps, StopEndsPromptlyWhileAPeerHoldsTheLine) {
    GpsSimulator sim(Fast(GpsFault::None));
    ASSERT_TRUE(sim.Start());
    PtyClient client(sim.DevicePath());
    client.ReadFor(60);
    const auto before = std::chrono::steady_clock::now();
    sim.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500));
    EXPECT_FALSE(sim.Running());
}

} // namespace
} // namespace tm47
