// Real receiver captures through the framer against an independent reading of each line, the
// framing rules and the checksum check. (The fields behind the status texts are the status
// handler's table; the field length limit is the NMEA fuzzer's.)
#include "gps/nmea_framer.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "nmea_capture_support.h"

using namespace std::string_literals;

namespace tm47 {
namespace {

using Framed = std::vector<std::pair<std::string, bool>>;

Framed FrameAll(NmeaFramer& framer, const std::string& bytes) {
    Framed lines;
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
    Framed expected;
    for (const testing::ExpectedLine& e : testing::ReadExpected(name + ".expected")) {
        expected.emplace_back(e.text, e.checksumOk);
    }
    ASSERT_FALSE(expected.empty());
    NmeaFramer framer;
    EXPECT_EQ(FrameAll(framer, testing::ReadCapture(name + ".nmea")), expected);
    EXPECT_EQ(framer.Buffered(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Captures, RealCapture,
                         ::testing::Values("bu353-glonass", "garmin48", "magellan-ec10"));

TEST(DamagedCapture, FramingRulesDecideWhatEachLineBecomes) {
    NmeaFramer framer;
    const Framed expected = {
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
    EXPECT_EQ(FrameAll(framer, testing::ReadCapture("synthesised-damaged.nmea")), expected);
    // The last line runs 203 bytes without a line feed: restarted once, 2 bytes pending.
    EXPECT_EQ(framer.Stats().overflowRestarts, 1u);
    EXPECT_EQ(framer.Buffered(), 2u);
}

TEST(NmeaFramer, LinesAreCutAndClassifiedAsTheReceiverSentThem) {
    const std::string gga =
        "$GPGGA,081412.000,5541.1956,N,03737.2877,E,1,5,4.87,66.2,M,14.5,M,,*6A";
    const std::string x199(199, 'x');
    // What it shows, the bytes, the lines, the restarts after an overflow.
    const std::tuple<const char*, std::string, Framed, uint64_t> cases[] = {
        {"no dollar sign is handed on once", gga.substr(1) + "\r\n", {{gga.substr(1), false}}, 0},
        {"a line feed with nothing buffered is ignored", "\n\n" + gga + "\r\n", {{gga, true}}, 0},
        {"a NUL byte ends the text", "$A*41\0xyz\r\n"s, {{"$A*41", true}}, 0},
        // "$", 199 characters and the CR fill indices 0..200: still one line; one byte more
        // restarts at index 0, and the line that completes has lost its "$".
        {"201 bytes", "$" + x199 + "\r\n", {{"$" + x199, false}}, 0},
        {"202 bytes restart", "$x" + x199 + "B*42\r\n", {{"B*42", false}}, 1},
    };
    for (const auto& [name, bytes, expected, restarts] : cases) {
        NmeaFramer framer;
        EXPECT_EQ(FrameAll(framer, bytes), expected) << name;
        EXPECT_EQ(framer.Buffered(), 0u) << name;
        EXPECT_EQ(framer.Stats().overflowRestarts, restarts) << name;
    }
}

TEST(NmeaChecksum, ExpectedValueIsReadLikeStrtoulFromAfterTheLastAsterisk) {
    const std::pair<const char*, bool> cases[] = {
        {"$A*41", true},   {"$A*41 trailing", true}, {"$A*  41", true}, {"$A*0x41", true},
        {"$A*-41", false}, {"$A*", false},           {"$*", true},      {"$A*00*41", true},
        {"$A*410", false}, {"A*41", false},          {"$A41", false},   {"", false},
        {"$J*4a", true},   {"$J*4A", true},
    };
    for (const auto& [line, ok] : cases) {
        EXPECT_EQ(NmeaChecksumOk(line), ok) << line;
    }
}

} // namespace
} // namespace tm47
