#include "gps/gps_status.h"

#include <gtest/gtest.h>

#include <tuple>

#include "gps/nmea_framer.h"
#include "gps_view_support.h"

namespace tm47 {
namespace {

using testing::FakeGpsView;

// The fix quality reads the first character only; PDOP is strtod's float with one decimal,
// left-aligned in four. (The satellites' atoi and width are the C-number helpers' rows; empty and
// missing fields are rows of the handler table.)
TEST(GpsStatusText, FixQualityAndPdopFieldsBecomeTheirCellTexts) {
    for (auto [field, text] :
         {std::pair{"0", "NO FIX"}, {"10", "AGPS"}, {"3", "RTK3"}, {"\xB1", " >9"}}) {
        EXPECT_EQ(FixQualityText(field), text) << field;
    }
    for (auto [field, text] : {std::pair{"13.09", "13.1"}, {"100", "100.0"}, {"1e999", "inf "}}) {
        EXPECT_EQ(PdopText(true, field), text) << field;
    }
}

// Puts `line` into the fix as the GPS reader does, then runs the handler.
void Deliver(GpsFix& fix, const std::string& line, const GpsStatusInputs& in, GpsStatusView& v) {
    fix.sentenceText = line;
    const bool valid = NmeaChecksumOk(line);
    if (valid) {
        fix.validSentenceText.assign(line.begin(), line.end());
    }
    fix.sentenceValid = valid ? 1 : 0;
    HandleGpsSentence(fix, in, v);
}

// Each line on a fresh screen: the cells drawn, bold for the "??" of a failed or disabled line.
TEST(GpsStatusHandler, EachLineDrawsItsCells) {
    const std::string gga =
        "$GPGGA,120000.00,5000.0000,N,01000.0000,E,1,08,0.9,100.0,M,40.0,M,,*6F";
    const std::string gsa = "$GNGSA,A,3,01,02,03,04,,,,,,,,,2.34,1.20,2.00*1C";
    constexpr GpsStatusInputs kOn{true, false, false}, kTake{true, true, true},
        kOff{false, true, true};
    constexpr const char* U = "<untouched>";
    // The line, the inputs, the quality, satellites and PDOP cells.
    const std::tuple<std::string, GpsStatusInputs, std::string, std::string, std::string> rows[] = {
        {gga, kOn, "AGPS", " 8", U},
        {"$GPGGA,120000.00,5000.0000,N,01000.0000,E,,00,,,M,,M,,*44", kOn, " >9", " 0", U},
        {"$GPGGA,120000.00,5000.0000*50", kOn, "", " 0", U}, // cut short
        {gsa, kOn, U, U, "2.3 "},
        {"$GNGSA,A,3,01,02*2D", kOn, U, U, "N/A"},
        {"$GPRMC,120000.00,A,5000.0000,N,01000.0000,E,0.0,0.0,140526,,,A*5D", kTake, U, U, U},
        {gga.substr(0, gga.size() - 1) + "E", kTake, "", "??", U},
        {gsa.substr(0, gsa.size() - 1) + "0", kOn, U, U, "??"},
        {"$A*41", kOn, U, U, U},  // verified, but under 6 characters
        {gga, kOff, "", "??", U}, // GPS disabled
    };
    for (const auto& [line, in, quality, satellites, pdop] : rows) {
        SCOPED_TRACE(line);
        GpsFix fix;
        FakeGpsView view;
        Deliver(fix, line, in, view);
        EXPECT_EQ(view.Text(GpsCell::FixQuality), quality);
        EXPECT_EQ(view.Text(GpsCell::Satellites), satellites);
        EXPECT_EQ(view.Text(GpsCell::Pdop), pdop);
        for (GpsCell c : {GpsCell::FixQuality, GpsCell::Satellites, GpsCell::Pdop}) {
            const bool failed = satellites == "??" || pdop == "??";
            EXPECT_EQ(view.Font(c), failed && view.Text(c) != U ? GpsFont::Bold : GpsFont::Normal);
        }
        const bool validGga = satellites != U && satellites != "??";
        EXPECT_EQ(view.Text(GpsCell::Spinner), validGga ? "/" : U);
        EXPECT_TRUE(fix.sentenceText.empty());
        EXPECT_TRUE(fix.validSentenceText.empty());
        EXPECT_EQ(fix.loggedGgaCount, 0u);
    }
    // Each verified GGA turns the spinner; only logging with the latch on take counts it.
    GpsFix fix;
    FakeGpsView view;
    Deliver(fix, gga, kOn, view);
    Deliver(fix, gga, {true, true, false}, view);
    EXPECT_EQ(view.Text(GpsCell::Spinner), "\\");
    EXPECT_EQ(view.Text(GpsCell::LoggedGgaCount), "<untouched>");
    Deliver(fix, gga, kTake, view);
    EXPECT_EQ(fix.loggedGgaCount, 1u);
    EXPECT_EQ(view.Text(GpsCell::LoggedGgaCount), "1    ");
}

} // namespace
} // namespace tm47
