// Real receiver captures through the framer and the status rules, line by line against an
// independent reading of each line.

#include <gtest/gtest.h>

#include <cstdio>

#include "gps/gps_status.h"
#include "gps/nmea_framer.h"
#include "gps_view_support.h"
#include "nmea_capture_support.h"

namespace tm47 {
namespace {

using namespace testing;

class RealCapture : public ::testing::TestWithParam<const char*> {};

TEST_P(RealCapture, EveryLineIsFramedAndClassifiedAsAnIndependentCheckSays) {
    const std::string name = GetParam();
    const std::string bytes = ReadCapture(name + ".nmea");
    const std::vector<ExpectedLine> expected = ReadExpected(name + ".expected");
    ASSERT_FALSE(bytes.empty());
    ASSERT_FALSE(expected.empty());

    NmeaFramer framer;
    NmeaLine line;
    std::size_t n = 0;
    for (char c : bytes) {
        if (!framer.Push(static_cast<uint8_t>(c), line)) {
            continue;
        }
        ASSERT_LT(n, expected.size());
        EXPECT_EQ(line.text, expected[n].text) << name << " line " << n + 1;
        EXPECT_EQ(line.valid, expected[n].checksumOk) << name << " line " << n + 1;
        ++n;
    }
    EXPECT_EQ(n, expected.size());
    EXPECT_EQ(framer.Buffered(), 0u);
}

TEST_P(RealCapture, StatusCellsShowWhatEachVerifiedLineSays) {
    const std::string name = GetParam();
    GpsFix fix;
    FakeGpsView view;
    int ggaSeen = 0;
    for (const ExpectedLine& e : ReadExpected(name + ".expected")) {
        view.Clear();
        fix.sentenceText = e.text;
        if (e.checksumOk) {
            fix.validSentenceText.assign(e.text.begin(), e.text.end());
        }
        HandleGpsSentence(fix, {true, true, true}, view);
        if (!e.checksumOk) {
            if (e.hasGga) {
                EXPECT_EQ(view.Text(GpsCell::Satellites), "??") << e.text;
            }
            continue;
        }
        if (e.hasGga) {
            ++ggaSeen;
            char sats[16];
            std::snprintf(sats, sizeof sats, "%2d",
                          e.ggaField8Atoi == "!" ? 0 : std::stoi(e.ggaField8Atoi));
            EXPECT_EQ(view.Text(GpsCell::Satellites), sats) << e.text;
            const char q = e.ggaField7First.size() == 1 ? e.ggaField7First[0] : '\0';
            const std::string quality = e.ggaField7First == "!" ? ""
                                        : q == '0'              ? "NO FIX"
                                        : q == '1'              ? "AGPS"
                                        : q == '2'              ? "DGPS"
                                        : q >= '3' && q <= '9'  ? std::string("RTK") + q
                                                                : " >9";
            EXPECT_EQ(view.Text(GpsCell::FixQuality), quality) << e.text;
        }
        if (e.hasGsa) {
            char pdop[64] = "N/A";
            if (e.gsaField16Strtod != "!") {
                std::snprintf(pdop, sizeof pdop, "%-4.1f",
                              static_cast<float>(std::stod(e.gsaField16Strtod)));
            }
            EXPECT_EQ(view.Text(GpsCell::Pdop), pdop) << e.text;
        }
    }
    EXPECT_EQ(fix.loggedGgaCount, static_cast<uint32_t>(ggaSeen));
}

INSTANTIATE_TEST_SUITE_P(Captures, RealCapture,
                         ::testing::Values("bu353-glonass", "garmin48", "magellan-ec10"));

TEST(DamagedCapture, FramingRulesDecideWhatEachLineBecomes) {
    const std::string bytes = ReadCapture("synthesised-damaged.nmea");
    NmeaFramer framer;
    NmeaLine line;
    std::vector<std::pair<std::string, bool>> lines;
    for (char c : bytes) {
        if (framer.Push(static_cast<uint8_t>(c), line)) {
            lines.emplace_back(line.text, line.valid);
        }
    }
    const std::vector<std::pair<std::string, bool>> expected = {
        {"$GPGGA,081412.000,5541.1956,N,03737.2877,E,1,5,4.87,66.2,M,14.5,M,,*6A", true},
        {"$GPGGA,081412.000,5541.1956,N,03737.2877,E,1,5,4.87,66.2,M,14.5,M,,*6B", false},
        {"$GNGSA,A,3,03,19,27,13,,,,,,,,,2.75,2.56,1.0010", false},
        {"$GNRMC,081411.000,A,5541.1955,N,03737.2872,E,0.60,301.29,260514,,,A*7", false},
        {"$GPGGA,202640.000,4404.1306,N,12118.8515,W,2,10,0.98,1127.7,M,-19.6,M,0000,0000*6C",
         true},
        {"", false},
        {"$GNGSA,A,1,,,,,,,,,,,,,,,*00", true},
        {"$GPGGA,081412.000,5541.1956,N,03737.2877,E", false},
        {"$GNGSA,A,3,03,19,27,13,,,,,,,,", false},
    };
    EXPECT_EQ(lines, expected);
    // The last line runs 203 bytes without a line feed: restarted once, 2 bytes pending.
    EXPECT_EQ(framer.Stats().overflowRestarts, 1u);
    EXPECT_EQ(framer.Buffered(), 2u);
}

} // namespace
} // namespace tm47
