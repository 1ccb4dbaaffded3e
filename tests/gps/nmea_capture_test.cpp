// Real receiver captures through the framer, line by line against an independent reading of
// each line.

#include <gtest/gtest.h>

#include "gps/nmea_framer.h"
#include "nmea_capture_support.h"

namespace tm47 {
namespace {

using namespace testing;

std::vector<std::pair<std::string, bool>> FrameAll(NmeaFramer& framer, const std::string& bytes) {
    std::vector<std::pair<std::string, bool>> lines;
    NmeaLine line;
    for (char c : bytes) {
        if (framer.Push(static_cast<uint8_t>(c), line)) {
            lines.emplace_back(line.text, line.valid);
        }
    }
    return lines;
}

class RealCapture : public ::testing::TestWithParam<const char*> {};

TEST_P(RealCapture, EveryLineIsFramedAndClassifiedAsAnIndependentCheckSays) {
    const std::string name = GetParam();
    std::vector<std::pair<std::string, bool>> expected;
    for (const ExpectedLine& e : ReadExpected(name + ".expected")) {
        expected.emplace_back(e.text, e.checksumOk);
    }
    ASSERT_FALSE(expected.empty());
    NmeaFramer framer;
    EXPECT_EQ(FrameAll(framer, ReadCapture(name + ".nmea")), expected);
    EXPECT_EQ(framer.Buffered(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Captures, RealCapture,
                         ::testing::Values("bu353-glonass", "garmin48", "magellan-ec10"));

TEST(DamagedCapture, FramingRulesDecideWhatEachLineBecomes) {
    NmeaFramer framer;
    const std::vector<std::pair<std::string, bool>> expected = {
        {"$GPGGA,081412.000,5541.1956,N,03737.2877,E,1,5,4.87,66.2,M,14.5,M,,*6A", true},
        // A wrong checksum digit.
        {"$GPGGA,081412.000,5541.1956,N,03737.2877,E,1,5,4.87,66.2,M,14.5,M,,*6B", false},
        // No asterisk.
        {"$GNGSA,A,3,03,19,27,13,,,,,,,,,2.75,2.56,1.0010", false},
        // LF alone loses the last checksum digit.
        {"$GNRMC,081411.000,A,5541.1955,N,03737.2872,E,0.60,301.29,260514,,,A*7", false},
        // A dollar sign mid-line drops what came before it.
        {"$GPGGA,202640.000,4404.1306,N,12118.8515,W,2,10,0.98,1127.7,M,-19.6,M,0000,0000*6C",
         true},
        {"", false}, // an empty line is handed on
        {"$GNGSA,A,1,,,,,,,,,,,,,,,*00", true},
        {"$GPGGA,081412.000,5541.1956,N,03737.2877,E", false},
        {"$GNGSA,A,3,03,19,27,13,,,,,,,,", false},
    };
    EXPECT_EQ(FrameAll(framer, ReadCapture("synthesised-damaged.nmea")), expected);
    // The last line runs 203 bytes without a line feed: restarted once, 2 bytes pending.
    EXPECT_EQ(framer.Stats().overflowRestarts, 1u);
    EXPECT_EQ(framer.Buffered(), 2u);
}

} // namespace
} // namespace tm47
