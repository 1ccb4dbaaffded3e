#include "gps/gps_status.h"

#include <array>

#include "gps/nmea_framer.h"
#include "platform/c_numbers.h"

namespace tm47 {

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

std::string SatellitesText(bool found, std::string_view field8) {
    return PrintfInt(found ? AtoiLike(field8) : 0, 2);
}

std::string PdopText(bool found, std::string_view field16) {
    if (!found) {
        return "N/A";
    }
    // Narrowed to single precision as the display keeps it; out of range is infinite.
    const float narrow = NarrowToFloat(StrtodLike(field16));
    return PrintfFixed(static_cast<double>(narrow), -4, 1);
}

std::string LoggedGgaCountText(uint32_t count) {
    return PrintfInt(static_cast<int32_t>(count), -5);
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
