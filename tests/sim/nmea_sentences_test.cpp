#include "sim/nmea_sentences.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

namespace tm47 {
namespace {

TEST(Nmea, ChecksumOfAKnownSentence) {
    EXPECT_EQ(NmeaChecksum("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"), 0x47);
    EXPECT_EQ(NmeaSentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"),
              "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n");
}

TEST(Nmea, CorruptChecksumIsStillTwoHexDigitsButWrong) {
    const std::string s = NmeaSentence("GPGSA,A,3,,,,,,,,,,,,,1.8,0.9,1.5", true);
    ASSERT_GE(s.size(), 5u);
    EXPECT_EQ(s.substr(s.size() - 5, 1), "*");
    EXPECT_NE(s, NmeaSentence("GPGSA,A,3,,,,,,,,,,,,,1.8,0.9,1.5", false));
}

struct CoordinateCase {
    double degrees;
    const char* latitude;
    const char* longitude;
};

TEST(Nmea, CoordinatesAreDegreesAndMinutes) {
    const CoordinateCase cases[] = {
        {48.1173, "4807.03800", "04807.03800"},
        {11.5166666667, "1131.00000", "01131.00000"},
        {-0.5, "0030.00000", "00030.00000"},
        {9.99999999999, "1000.00000", "01000.00000"}, // minutes round up into the degree
        {179.25, "17915.00000", "17915.00000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NmeaLatitude(c.degrees), c.latitude) << c.degrees;
        EXPECT_EQ(NmeaLongitude(c.degrees), c.longitude) << c.degrees;
    }
}

TEST(Nmea, SentencesUseDecimalPointsUnderAnyLocale) {
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "fr_FR.UTF-8")) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    UtcTime t{2026, 5, 14, 9, 3, 7, 50};
    GpsPosition p{-33.5, -70.25, 512.3, 1.0, 180};
    const std::string gga = GgaBody(t, p, 8, 0.9);
    const std::string rmc = RmcBody(t, p);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(gga, "GPGGA,090307.50,3330.00000,S,07015.00000,W,1,08,0.9,512.3,M,46.9,M,,");
    EXPECT_EQ(rmc, "GPRMC,090307.50,A,3330.00000,S,07015.00000,W,1.94,180.0,140526,,,A");
}

TEST(Nmea, WalkGoesUpOneLineAndBackTheNext) {
    SurveyLineWalk walk;
    walk.startLatitude = 0;
    walk.startLongitude = 0;
    walk.lineLength = 100;
    walk.lineSpacing = 1;
    walk.speedMps = 1;
    // One meter of latitude is 1 / 111195 degree on the 6371 km sphere.
    const double meter = 180 / (6371000.0 * 3.14159265358979323846);
    const struct {
        double seconds;
        double north;
        double east;
        double course;
    } cases[] = {{0, 0, 0, 0}, {50, 50, 0, 0}, {150, 50, 1, 180}, {210, 10, 2, 0}};
    for (const auto& c : cases) {
        const GpsPosition p = walk.At(c.seconds);
        EXPECT_NEAR(p.latitude, c.north * meter, 1e-9) << c.seconds;
        EXPECT_NEAR(p.longitude, c.east * meter, 1e-9) << c.seconds;
        EXPECT_EQ(p.courseDeg, c.course) << c.seconds;
    }
}

TEST(Nmea, UtcFieldsFromUnixTime) {
    const UtcTime t = UtcFromUnixMs(1778749387120); // 2026-05-14 09:03:07.12 UTC
    EXPECT_EQ(t.year, 2026);
    EXPECT_EQ(t.month, 5);
    EXPECT_EQ(t.day, 14);
    EXPECT_EQ(t.hour, 9);
    EXPECT_EQ(t.minute, 3);
    EXPECT_EQ(t.second, 7);
    EXPECT_EQ(t.centisecond, 12);
}

} // namespace
} // namespace tm47
