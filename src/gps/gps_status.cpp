#include "gps/gps_status.h"

#include <array>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>

#include "gps/nmea_framer.h"

namespace tm47 {

namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string PadLeft(std::string s, std::size_t width) {
    if (s.size() < width) {
        s.insert(0, width - s.size(), ' ');
    }
    return s;
}

std::string PadRight(std::string s, std::size_t width) {
    if (s.size() < width) {
        s.append(width - s.size(), ' ');
    }
    return s;
}

std::string IntText(int32_t v) {
    std::array<char, 16> buf{};
    auto r = std::to_chars(buf.data(), buf.data() + buf.size(), v);
    return std::string(buf.data(), r.ptr);
}

// Decimal magnitude of a number text that std::from_chars found out of range: where its
// first significant digit stands, plus its exponent. Positive means it overflowed.
long long OutOfRangeMagnitude(std::string_view t) {
    std::size_t i = 0;
    long long position = 0;
    bool seenPoint = false;
    bool significant = false;
    for (; i < t.size(); ++i) {
        char c = t[i];
        if (c == '.') {
            seenPoint = true;
        } else if (IsDigit(c)) {
            if (c != '0') {
                significant = true;
            }
            if (!seenPoint && significant) {
                ++position;
            } else if (seenPoint && !significant) {
                --position;
            }
        } else {
            break;
        }
    }
    long long exponent = 0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
            negative = t[i] == '-';
            ++i;
        }
        for (; i < t.size() && IsDigit(t[i]); ++i) {
            if (exponent < 100000) {
                exponent = exponent * 10 + (t[i] - '0');
            }
        }
        if (negative) {
            exponent = -exponent;
        }
    }
    return position + exponent;
}

} // namespace

std::string FixQualityText(std::string_view field7) {
    static constexpr std::array<const char*, 10> kTexts = {
        "NO FIX", "AGPS", "DGPS", "RTK3", "RTK4", "RTK5", "RTK6", "RTK7", "RTK8", "RTK9"};
    // The first character minus '0' as an unsigned number; the terminator of an empty field
    // lands above 9 like any other character.
    const unsigned index =
        static_cast<unsigned>(field7.empty() ? 0 : static_cast<unsigned char>(field7[0])) -
        static_cast<unsigned>('0');
    return index < kTexts.size() ? kTexts[index] : " >9";
}

int32_t LeadingInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // atoi is strtol (64-bit long, saturating) narrowed to int.
    constexpr long long kMax = LLONG_MAX;
    long long value = 0;
    bool overflow = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        const int d = text[i] - '0';
        if (value > (kMax - d) / 10) {
            overflow = true;
        } else {
            value = value * 10 + d;
        }
    }
    long long result = overflow ? (negative ? LLONG_MIN : LLONG_MAX) : (negative ? -value : value);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long long>(result)));
}

double LeadingDouble(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::string_view rest = text.substr(i);
    auto format = std::chars_format::general;
    if (rest.size() > 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        const char c = rest[2];
        const bool hexFollows = IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') ||
                                (c == '.' && rest.size() > 3);
        if (hexFollows) {
            rest.remove_prefix(2);
            format = std::chars_format::hex;
        }
    }
    // from_chars does not take a sign of its own here: the sign was read above.
    if (!rest.empty() && (rest[0] == '-' || rest[0] == '+')) {
        return 0.0;
    }
    double value = 0.0;
    auto r = std::from_chars(rest.data(), rest.data() + rest.size(), value, format);
    if (r.ec == std::errc::invalid_argument) {
        return 0.0;
    }
    if (r.ec == std::errc::result_out_of_range) {
        value = format == std::chars_format::general &&
                        OutOfRangeMagnitude(rest.substr(0, r.ptr - rest.data())) <= 0
                    ? 0.0
                    : HUGE_VAL;
    }
    return negative ? -value : value;
}

std::string SatellitesText(bool found, std::string_view field8) {
    return PadLeft(IntText(found ? LeadingInt(field8) : 0), 2);
}

std::string PdopText(bool found, std::string_view field16) {
    if (!found) {
        return "N/A";
    }
    const double wide = LeadingDouble(field16);
    // Narrowed to single precision as the display keeps it; out of range is infinite.
    float narrow = 0.0f;
    if (std::isnan(wide) || std::fabs(wide) <= FLT_MAX) {
        narrow = static_cast<float>(wide);
    } else {
        narrow = std::copysign(HUGE_VALF, static_cast<float>(std::signbit(wide) ? -1 : 1));
    }
    std::array<char, 64> buf{};
    auto r = std::to_chars(buf.data(), buf.data() + buf.size(), static_cast<double>(narrow),
                           std::chars_format::fixed, 1);
    std::string text = r.ec == std::errc() ? std::string(buf.data(), r.ptr) : std::string("N/A");
    return PadRight(std::move(text), 4);
}

std::string LoggedGgaCountText(uint32_t count) {
    return PadRight(IntText(static_cast<int32_t>(count)), 5);
}

int32_t NextSpinnerChar(int32_t current) {
    return current == '/' ? '\\' : '/';
}

void HandleGpsSentence(GpsFix& fix, const GpsStatusInputs& inputs, GpsStatusView& view) {
    const std::string& text = fix.sentenceText;
    const bool gga = text.find("GGA") != std::string::npos;
    const bool gsa = text.find("GSA") != std::string::npos;
    std::string field;
    if (fix.validSentenceText.size() >= 6 && inputs.gpsEnabled) {
        if (gga) {
            fix.spinnerChar = NextSpinnerChar(fix.spinnerChar);
            view.DrawCell(GpsCell::Spinner, std::string(1, static_cast<char>(fix.spinnerChar)),
                          GpsFont::Normal);
            if (inputs.logging && inputs.latchTake) {
                ++fix.loggedGgaCount;
                view.DrawCell(GpsCell::LoggedGgaCount, LoggedGgaCountText(fix.loggedGgaCount),
                              GpsFont::Normal);
            }
            bool found = ExtractField(text, 8, ',', field);
            view.DrawCell(GpsCell::Satellites, SatellitesText(found, field), GpsFont::Normal);
            found = ExtractField(text, 7, ',', field);
            view.DrawCell(GpsCell::FixQuality, found ? FixQualityText(field) : std::string(),
                          GpsFont::Normal);
        }
        if (gsa) {
            const bool found = ExtractField(text, 16, ',', field);
            view.DrawCell(GpsCell::Pdop, PdopText(found, field), GpsFont::Normal);
        }
    } else {
        if (gga) {
            view.DrawCell(GpsCell::FixQuality, "", GpsFont::Bold);
            view.DrawCell(GpsCell::Satellites, "??", GpsFont::Bold);
        }
        if (gsa) {
            view.DrawCell(GpsCell::Pdop, "??", GpsFont::Bold);
        }
        fix.sentenceValid = 0;
    }
    fix.sentenceText.clear();
    fix.validSentenceText.clear();
}

} // namespace tm47
