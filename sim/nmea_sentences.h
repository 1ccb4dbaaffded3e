#pragma once
// NMEA 0183 sentences as the simulated GPS receiver sends them: "$", the body, "*", two
// upper-case hexadecimal checksum digits, CR LF. Numbers are written with std::to_chars, so
// the process locale never turns a decimal point into a comma.

#include <cstdint>
#include <string>
#include <string_view>

namespace tm47 {

// Exclusive-or of the body's bytes (everything between "$" and "*").
uint8_t NmeaChecksum(std::string_view body);
// "$" + body + "*HH\r\n"; a corrupt sentence carries a checksum that does not match.
std::string NmeaSentence(std::string_view body, bool corruptChecksum = false);

struct UtcTime {
    int year = 2026;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int centisecond = 0;
};

struct GpsPosition {
    double latitude = 0;  // degrees, north positive
    double longitude = 0; // degrees, east positive
    double altitude = 0;  // meters above mean sea level
    double speedMps = 0;
    double courseDeg = 0;
};

std::string GgaBody(const UtcTime& t, const GpsPosition& p, int satellites, double hdop);
std::string GsaBody(int satellites, double pdop, double hdop, double vdop);
std::string RmcBody(const UtcTime& t, const GpsPosition& p);

// "ddmm.mmmmm" / "dddmm.mmmmm" without the hemisphere letter.
std::string NmeaLatitude(double degrees);
std::string NmeaLongitude(double degrees);

// An operator walking survey lines to and fro: lines `lineLength` meters long heading north
// then south, each `lineSpacing` meters east of the one before, at `speedMps`.
struct SurveyLineWalk {
    double startLatitude = 47.0;
    double startLongitude = 8.0;
    double altitude = 412.5;
    double lineLength = 100;
    double lineSpacing = 1;
    double speedMps = 1;

    GpsPosition At(double seconds) const;
    // `meters` from the start along `headingDeg` (0 north, 90 east).
    GpsPosition Along(double meters, double headingDeg) const;
};

// Splits a moment of the system clock into UTC fields.
UtcTime UtcFromUnixMs(int64_t unixMs);

} // namespace tm47
