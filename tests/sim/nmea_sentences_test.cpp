#include "sim/nmea_sentences.h"

#include <gtest/gtest.h>

#include <clocale>

#include "tests/support/german_locale.h"

namespace tm47 {
namespace {

TEST(Nmea, ChecksumOfAKnownSentenceAndCoordinateEdges) {
    EXPECT_EQ(NmeaSentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"),
              "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n");
    EXPECT_EQ(NmeaLatitude(9.99999999999), "1000.00000"); // minutes round up into the degree
    EXPECT_EQ(NmeaLongitude(-179.25), "17915.00000");
}

TEST(Nmea, SentencesFromUnixTimeUseDecimalPointsUnderAnyLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    TM47_GERMAN_LOCALE_OR_SKIP(LC_ALL);
    const UtcTime t = UtcFromUnixMs(1778749387500); // 2026-05-14 09:03:07.50 UTC
    GpsPosition p{-33.5, -70.25, 512.3, 1.0, 180};
    const std::string gga = GgaBody(t, p, 8, 0.9);
    const std::string rmc = RmcBody(t, p);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(gga, "GPGGA,090307.50,3330.00000,S,07015.00000,W,1,08,0.9,512.3,M,46.9,M,,");
    EXPECT_EQ(rmc, "GPRMC,090307.50,A,3330.00000,S,07015.00000,W,1.94,180.0,140526,,,A");
}

} // namespace
} // namespace tm47
