#include "nmea_fix.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

#include "gps/nmea_framer.h"

namespace r47 {

namespace {

// A whole field as a number; a field with anything after the number is not one.
std::optional<double> Number(std::string_view s) {
    if (s.empty()) {
        return std::nullopt;
    }
    double v = 0.0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    if (res.ec != std::errc() || res.ptr != s.data() + s.size() || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

// Field n, with any "*hh" of the last field taken off. GGA and GSA fields are short, so the
// framer's field extraction serves; a longer field is cut and then fails to parse as a whole.
std::string Field(std::string_view text, int n) {
    std::string f;
    if (!tm47::ExtractField(text, n, ',', f)) {
        return {};
    }
    if (const auto star = f.find('*'); star != std::string::npos) {
        f.resize(star);
    }
    return f;
}

} // namespace

bool IsSentenceType(std::string_view text, std::string_view type) {
    return text.size() >= 7 && text[0] == '$' && text.substr(3, 3) == type && text[6] == ',';
}

std::optional<double> ParseCoordinate(std::string_view value, std::string_view hemisphere,
                                      bool longitude) {
    const auto v = Number(value);
    const std::size_t dot = value.find('.');
    const std::size_t degreeDigits = longitude ? 3 : 2;
    // The degrees take all digits before the last two of the whole minutes.
    if (!v || *v < 0.0 ||
        (dot == std::string_view::npos ? value.size() : dot) != degreeDigits + 2) {
        return std::nullopt;
    }
    const double degrees = std::floor(*v / 100.0);
    const double minutes = *v - degrees * 100.0;
    if (minutes >= 60.0 || degrees > (longitude ? 180.0 : 90.0)) {
        return std::nullopt;
    }
    double out = degrees + minutes / 60.0;
    if (out > (longitude ? 180.0 : 90.0)) {
        return std::nullopt;
    }
    if (hemisphere == (longitude ? "W" : "S")) {
        out = -out;
    } else if (hemisphere != (longitude ? "E" : "N")) {
        return std::nullopt;
    }
    return out;
}

std::optional<GgaFix> ParseGga(std::string_view text) {
    if (!IsSentenceType(text, "GGA")) {
        return std::nullopt;
    }
    GgaFix fix;
    const std::string time = Field(text, 2);
    if (const auto t = Number(time); t && time.size() >= 6 && *t >= 0.0) {
        const int64_t whole = static_cast<int64_t>(*t);
        const int h = static_cast<int>(whole / 10000);
        const int m = static_cast<int>(whole / 100 % 100);
        const double s = *t - static_cast<double>(whole / 100 * 100);
        if (h < 24 && m < 60 && s < 61.0) {
            fix.hasUtc = true;
            fix.utcMs = (h * 3600 + m * 60) * 1000LL + std::llround(s * 1000.0);
        }
    }
    const auto lat = ParseCoordinate(Field(text, 3), Field(text, 4), false);
    const auto lon = ParseCoordinate(Field(text, 5), Field(text, 6), true);
    if (lat && lon) {
        fix.hasPosition = true;
        fix.lat = *lat;
        fix.lon = *lon;
    }
    const std::string quality = Field(text, 7);
    fix.quality =
        quality.size() == 1 && quality[0] >= '0' && quality[0] <= '9' ? quality[0] - '0' : 0;
    if (const auto sats = Number(Field(text, 8)); sats && *sats >= 0 && *sats < 1000) {
        fix.hasSats = true;
        fix.sats = static_cast<int>(*sats);
    }
    if (const auto hdop = Number(Field(text, 9)); hdop && *hdop >= 0) {
        fix.hasHdop = true;
        fix.hdop = *hdop;
    }
    if (const auto alt = Number(Field(text, 10)); alt && std::fabs(*alt) < 1e6) {
        fix.hasAlt = true;
        fix.alt = *alt;
    }
    return fix;
}

std::optional<int> ParseGsaMode(std::string_view text) {
    if (!IsSentenceType(text, "GSA")) {
        return std::nullopt;
    }
    const std::string mode = Field(text, 3);
    if (mode == "1" || mode == "2" || mode == "3") {
        return mode[0] - '0';
    }
    return std::nullopt;
}

} // namespace r47
