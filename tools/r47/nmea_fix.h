#pragma once
// Positions from the GGA and GSA sentences a data file holds. The talker may be any ("GP",
// "GN", "GL", ...); fields are those the status display reads, by the same field splitting.

#include <optional>
#include <string_view>

namespace r47 {

struct GgaFix {
    bool hasUtc = false;
    int64_t utcMs = 0; // time of day
    bool hasPosition = false;
    double lat = 0.0; // degrees, north positive
    double lon = 0.0; // degrees, east positive
    bool hasAlt = false;
    double alt = 0.0; // metres above mean sea level
    int quality = 0;  // 0 no fix, 1..5 valid, 6 estimated
    bool hasSats = false;
    int sats = 0;
    bool hasHdop = false;
    double hdop = 0.0;

    // Quality 1 to 5 with a position: usable for positions.
    bool Valid() const { return hasPosition && quality >= 1 && quality <= 5; }
};

// The sentence type after the two talker letters ("GGA" of "$GPGGA,...").
bool IsSentenceType(std::string_view text, std::string_view type);
std::optional<GgaFix> ParseGga(std::string_view text);
// GSA mode: 1 no fix, 2 2D, 3 3D; nothing when the field is missing or not one of those.
std::optional<int> ParseGsaMode(std::string_view text);
// "ddmm.mmmm" with hemisphere "N"/"S" (or "dddmm.mmmm" with "E"/"W") as signed degrees.
std::optional<double> ParseCoordinate(std::string_view value, std::string_view hemisphere,
                                      bool longitude);

} // namespace r47
