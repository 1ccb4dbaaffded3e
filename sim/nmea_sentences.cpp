#include "sim/nmea_sentences.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ctime>
#include <numbers>

namespace tm47 {

namespace {

constexpr double kEarthRadius = 6371000.0;

std::string Fixed(double v, int decimals) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

std::string Padded(int v, int width) {
    std::string s = std::to_string(v);
    if (static_cast<int>(s.size()) < width) {
        s.insert(0, static_cast<std::size_t>(width) - s.size(), '0');
    }
    return s;
}

// Degrees as whole degrees (`degreeDigits` wide) and minutes with five decimals.
std::string DegreesMinutes(double degrees, int degreeDigits) {
    const double a = std::abs(degrees);
    int whole = static_cast<int>(a);
    double minutes = std::round((a - whole) * 60 * 100000) / 100000;
    if (minutes >= 60) {
        minutes -= 60;
        whole += 1;
    }
    std::string m = Fixed(minutes, 5);
    if (minutes < 10) {
        m.insert(0, "0");
    }
    return Padded(whole, degreeDigits) + m;
}

std::string Time(const UtcTime& t) {
    return Padded(t.hour, 2) + Padded(t.minute, 2) + Padded(t.second, 2) + "." +
           Padded(t.centisecond, 2);
}

} // namespace

uint8_t NmeaChecksum(std::string_view body) {
    uint8_t x = 0;
    for (char c : body) {
        x ^= static_cast<uint8_t>(c);
    }
    return x;
}

std::string NmeaSentence(std::string_view body, bool corruptChecksum) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    uint8_t sum = NmeaChecksum(body);
    if (corruptChecksum) {
        sum ^= 0x5A;
    }
    std::string s;
    s.reserve(body.size() + 6);
    s += '$';
    s += body;
    s += '*';
    s += kHex[sum >> 4];
    s += kHex[sum & 0x0F];
    s += "\r\n";
    return s;
}

std::string NmeaLatitude(double degrees) {
    return DegreesMinutes(degrees, 2);
}
std::string NmeaLongitude(double degrees) {
    return DegreesMinutes(degrees, 3);
}

std::string GgaBody(const UtcTime& t, const GpsPosition& p, int satellites, double hdop) {
    return "GPGGA," + Time(t) + "," + NmeaLatitude(p.latitude) + "," +
           (p.latitude < 0 ? "S" : "N") + "," + NmeaLongitude(p.longitude) + "," +
           (p.longitude < 0 ? "W" : "E") + ",1," + Padded(satellites, 2) + "," + Fixed(hdop, 1) +
           "," + Fixed(p.altitude, 1) + ",M,46.9,M,,";
}

std::string GsaBody(int satellites, double pdop, double hdop, double vdop) {
    static constexpr int kPrn[12] = {4, 5, 9, 12, 17, 19, 24, 25, 28, 29, 31, 32};
    std::string s = "GPGSA,A,3,";
    for (int i = 0; i < 12; ++i) {
        if (i < satellites) {
            s += Padded(kPrn[i], 2);
        }
        s += ',';
    }
    return s + Fixed(pdop, 1) + "," + Fixed(hdop, 1) + "," + Fixed(vdop, 1);
}

std::string RmcBody(const UtcTime& t, const GpsPosition& p) {
    const double knots = p.speedMps * 3600.0 / 1852.0;
    return "GPRMC," + Time(t) + ",A," + NmeaLatitude(p.latitude) + "," +
           (p.latitude < 0 ? "S" : "N") + "," + NmeaLongitude(p.longitude) + "," +
           (p.longitude < 0 ? "W" : "E") + "," + Fixed(knots, 2) + "," + Fixed(p.courseDeg, 1) +
           "," + Padded(t.day, 2) + Padded(t.month, 2) + Padded(t.year % 100, 2) + ",,,A";
}

GpsPosition SurveyLineWalk::At(double seconds) const {
    const double walked = std::max(0.0, speedMps * seconds);
    const double length = lineLength > 0 ? lineLength : 1;
    const auto line = static_cast<long long>(std::floor(walked / length));
    const double along = walked - static_cast<double>(line) * length;
    const bool back = line % 2 == 1;
    const double north = back ? length - along : along;
    const double east = static_cast<double>(line) * lineSpacing;
    GpsPosition p;
    p.latitude = startLatitude + north / kEarthRadius * 180 / std::numbers::pi;
    p.longitude =
        startLongitude + east / (kEarthRadius * std::cos(startLatitude * std::numbers::pi / 180)) *
                             180 / std::numbers::pi;
    p.altitude = altitude;
    p.speedMps = speedMps;
    p.courseDeg = back ? 180 : 0;
    return p;
}

GpsPosition SurveyLineWalk::Along(double meters, double headingDeg) const {
    const double north = meters * std::cos(headingDeg * std::numbers::pi / 180);
    const double east = meters * std::sin(headingDeg * std::numbers::pi / 180);
    GpsPosition p;
    p.latitude = startLatitude + north / kEarthRadius * 180 / std::numbers::pi;
    p.longitude =
        startLongitude + east / (kEarthRadius * std::cos(startLatitude * std::numbers::pi / 180)) *
                             180 / std::numbers::pi;
    p.altitude = altitude;
    p.speedMps = speedMps;
    p.courseDeg = headingDeg;
    return p;
}

UtcTime UtcFromUnixMs(int64_t unixMs) {
    const std::time_t secs = static_cast<std::time_t>(unixMs / 1000);
    std::tm tm{};
    gmtime_r(&secs, &tm);
    UtcTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.centisecond = static_cast<int>((unixMs % 1000) / 10);
    return t;
}

} // namespace tm47
