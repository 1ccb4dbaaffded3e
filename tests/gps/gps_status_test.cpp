#include "gps/gps_status.h"

#include <gtest/gtest.h>

#include <clocale>

#include "gps/nmea_framer.h"
#include "gps_view_support.h"

namespace tm47 {
namespace {

using testing::FakeGpsView;

TEST(GpsStatusText, FixQualityUsesOnlyTheFirstCharacter) {
    const std::pair<const char*, const char*> cases[] = {
        {"0", "NO FIX"}, {"1", "AGPS"}, {"2", "DGPS"},   {"3", "RTK3"},
        {"4", "RTK4"},   {"9", "RTK9"}, {"10", "AGPS"},  {"", " >9"},
        {"A", " >9"},    {"-1", " >9"}, {"\xB1", " >9"},
    };
    for (const auto& [field, text] : cases) {
        EXPECT_EQ(FixQualityText(field), text) << "field '" << field << "'";
    }
}

struct TextCase {
    bool found;
    const char* field;
    const char* text;
};

TEST(GpsStatusText, SatellitesAreTheLeadingIntegerInTwoColumns) {
    const TextCase cases[] =
        {
            {true, "08", " 8"}, {true, "12", "12"},         {true, "", " 0"},
            {false, "", " 0"},  {true, "5x", " 5"},         {true, "123", "123"},
            {true, " 7", " 7"}, {true, "-3", "-3"},         {true, "+4", " 4"},
            {true, "x5", " 0"}, {true, "4294967297", " 1"}, // atoi narrows strtol's long to int
        };
    for (const auto& c : cases) {
        EXPECT_EQ(SatellitesText(c.found, c.field), c.text) << "field '" << c.field << "'";
    }
}

TEST(GpsStatusText, PdopIsAFloatWithOneDecimalLeftAlignedInFour) {
    const TextCase cases[] = {
        {true, "2.34", "2.3 "},  {true, "13.09", "13.1"},  {true, "", "0.0 "},
        {false, "", "N/A"},      {true, "1.05", "1.0 "},   {true, "100", "100.0"},
        {true, "1e3", "1000.0"}, {true, " 2.5x", "2.5 "},  {true, "-0.5", "-0.5"},
        {true, "+.75", "0.8 "},  {true, "0x10", "16.0"},   {true, "abc", "0.0 "},
        {true, "1e999", "inf "}, {true, "1e-999", "0.0 "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PdopText(c.found, c.field), c.text) << "field '" << c.field << "'";
    }
}

TEST(GpsStatusText, PdopIgnoresTheProcessLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        GTEST_SKIP() << "de_DE.UTF-8 not installed";
    }
    EXPECT_EQ(PdopText(true, "2.34"), "2.3 ");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(GpsStatusText, CountAndSpinner) {
    EXPECT_EQ(LoggedGgaCountText(0), "0    ");
    EXPECT_EQ(LoggedGgaCountText(42), "42   ");
    EXPECT_EQ(LoggedGgaCountText(123456), "123456");
    EXPECT_EQ(NextSpinnerChar('\\'), '/');
    EXPECT_EQ(NextSpinnerChar('/'), '\\');
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

constexpr GpsStatusInputs kMonitoring{true, false, false};
constexpr GpsStatusInputs kLoggingTake{true, true, true};

const std::string kGga1 = "$GPGGA,120000.00,5000.0000,N,01000.0000,E,1,08,0.9,100.0,M,40.0,M,,*6F";
const std::string kGga4 = "$GPGGA,120000.00,5000.0000,N,01000.0000,E,4,12,0.9,100.0,M,40.0,M,,*61";
const std::string kGgaNoQuality = "$GPGGA,120000.00,5000.0000,N,01000.0000,E,,00,,,M,,M,,*44";
const std::string kGgaShort = "$GPGGA,120000.00,5000.0000*50";
const std::string kGsa = "$GNGSA,A,3,01,02,03,04,,,,,,,,,2.34,1.20,2.00*1C";
const std::string kGsaShort = "$GNGSA,A,3,01,02*2D";
const std::string kRmc = "$GPRMC,120000.00,A,5000.0000,N,01000.0000,E,0.0,0.0,140526,,,A*5D";

TEST(GpsStatusHandler, VerifiedSentencesFillTheirCells) {
    GpsFix fix;
    FakeGpsView view;
    Deliver(fix, kGga1, kMonitoring, view);
    EXPECT_EQ(view.Text(GpsCell::FixQuality), "AGPS");
    EXPECT_EQ(view.Text(GpsCell::Satellites), " 8");
    EXPECT_EQ(view.Text(GpsCell::Spinner), "/");
    EXPECT_EQ(view.Calls(),
              (std::vector<GpsCell>{GpsCell::Spinner, GpsCell::Satellites, GpsCell::FixQuality}));
    EXPECT_TRUE(fix.sentenceText.empty());
    EXPECT_TRUE(fix.validSentenceText.empty());

    Deliver(fix, kGga4, kMonitoring, view);
    EXPECT_EQ(view.Text(GpsCell::FixQuality), "RTK4");
    EXPECT_EQ(view.Text(GpsCell::Satellites), "12");
    EXPECT_EQ(view.Text(GpsCell::Spinner), "\\");
    Deliver(fix, kGgaNoQuality, kMonitoring, view);
    EXPECT_EQ(view.Text(GpsCell::FixQuality), " >9");
    EXPECT_EQ(view.Text(GpsCell::Satellites), " 0");
    Deliver(fix, kGgaShort, kMonitoring, view); // cut short: no quality, no satellites
    EXPECT_EQ(view.Text(GpsCell::FixQuality), "");
    EXPECT_EQ(view.Text(GpsCell::Satellites), " 0");

    view.Clear();
    Deliver(fix, kGsa, kMonitoring, view);
    EXPECT_EQ(view.Text(GpsCell::Pdop), "2.3 ");
    Deliver(fix, kGsaShort, kMonitoring, view);
    EXPECT_EQ(view.Text(GpsCell::Pdop), "N/A");
    EXPECT_EQ(view.Text(GpsCell::Spinner), "<untouched>");

    view.Clear();
    Deliver(fix, kRmc, kLoggingTake, view); // other sentences change nothing on the screen
    EXPECT_TRUE(view.Calls().empty());
    EXPECT_TRUE(fix.sentenceText.empty());
    EXPECT_TRUE(fix.validSentenceText.empty());
}

TEST(GpsStatusHandler, FailedShortOrDisabledLinesShowQuestionMarksInBoldAndCountNothing) {
    GpsFix fix;
    FakeGpsView view;
    std::string badGga = kGga1;
    badGga.back() = 'E';
    Deliver(fix, badGga, kLoggingTake, view);
    EXPECT_EQ(view.Text(GpsCell::FixQuality), "");
    EXPECT_EQ(view.Font(GpsCell::FixQuality), GpsFont::Bold);
    EXPECT_EQ(view.Text(GpsCell::Satellites), "??");
    EXPECT_EQ(view.Font(GpsCell::Satellites), GpsFont::Bold);
    EXPECT_EQ(view.Text(GpsCell::Spinner), "<untouched>");
    EXPECT_EQ(fix.sentenceValid, 0);

    std::string badGsa = kGsa;
    badGsa.back() = '0';
    Deliver(fix, badGsa, kMonitoring, view);
    EXPECT_EQ(view.Text(GpsCell::Pdop), "??");
    EXPECT_TRUE(fix.sentenceText.empty());

    view.Clear();
    Deliver(fix, "$A*41", kMonitoring, view); // verified, but under 6 characters
    EXPECT_EQ(fix.sentenceValid, 0);
    EXPECT_TRUE(view.Calls().empty());
    Deliver(fix, kGga1, {false, true, true}, view); // GPS disabled
    EXPECT_EQ(view.Text(GpsCell::Satellites), "??");
    EXPECT_EQ(fix.loggedGgaCount, 0u);
}

} // namespace
} // namespace tm47
