// GGA and GSA fields as the export reads them, on real receiver lines.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>

#include "nmea_fix.h"

namespace {

TEST(R47Nmea, HemispheresAndDamagedCoordinates) {
    // Value, hemisphere, whether a longitude, degrees (NAN: rejected). Rejected: an unknown
    // hemisphere, 60 minutes, past the pole, digits missing, a letter.
    const std::tuple<const char*, const char*, bool, double> cases[] = {
        {"4807.038", "S", false, -48.1173}, {"01131.000", "W", true, -11.516666666666667},
        {"4807.038", "X", false, NAN},      {"4860.000", "N", false, NAN},
        {"9100.000", "N", false, NAN},      {"807.038", "N", false, NAN},
        {"48O7.038", "N", false, NAN},
    };
    for (const auto& [value, hemisphere, longitude, expected] : cases) {
        const auto v = r47::ParseCoordinate(value, hemisphere, longitude);
        EXPECT_EQ(v.has_value(), !std::isnan(expected)) << value << hemisphere;
        if (v) {
            EXPECT_NEAR(*v, expected, 1e-9);
        }
    }
}

TEST(R47Nmea, GgaWithoutAFixIsNotValidAndGsaModeComesFromAnyTalker) {
    const auto noFix = r47::ParseGga("$GPGGA,225444,,,,,0,00,,,M,,M,,*52");
    ASSERT_TRUE(noFix);
    EXPECT_FALSE(noFix->Valid());
    EXPECT_FALSE(
        r47::ParseGga("$GPRMC,225446,A,4916.45,N,12311.12,W,000.5,054.7,191194,020.3,E*68"));
    EXPECT_EQ(r47::ParseGsaMode("$GNGSA,A,3,03,19,27,13,,,,,,,,,2.75,2.56,1.00*10"), 3);
    EXPECT_EQ(r47::ParseGsaMode("$GPGSA,A,2,,,,,,,,,,,,,9.9,9.9,1.0*30"), 2);
    EXPECT_FALSE(r47::ParseGsaMode("$GPGSA,A,,,,*30"));
}

} // namespace
