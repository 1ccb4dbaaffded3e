#pragma once
// Where each status field of the Monitor/Log screen sits. Every field has a rectangle,
// computed from the screen and the widths of a few texts in the two fonts; the screen keeps
// them between paints (LoggingLayoutCache) and shares them with its painters.

#include <QFont>
#include <QRect>

#include <array>
#include <cstddef>

#include "platform/screen_geometry.h"

namespace tm47 {

// The status fields of the screen.
enum class LogField {
    FileName,          // "File:%s", name cut to 8
    StateWord,         // "Monitor", "Stand By", "Logging"
    DeviceBattery,     // "%3d%c"
    TriggerMode,       // "Auto", "Wheel", "Manual"
    InstrumentMode,    // "Mode:%c"
    LineLabel,         // "Ln:"
    Line,              // surveyLine
    StationLabel,      // "Stn:"
    Marker,            // "M" or blank
    Station,           // "%-11.2f"
    InstrumentBattery, // "B:" then "B:%5.2fV"
    Message,           // message line
    Message2,          // second message line (portrait)
    Ch1,
    Ch2,
    Ch3,
    Ch4,
    GpsDisabled,   // "GPS  Input  disabled"
    GpsPosLabel,   // "Pos"
    GpsActivity,   // one character
    GpsCountLabel, // "#"
    GpsCount,      // "%-5d"
    GpsFix,        // "NO FIX", "CODE", ...
    GpsPdopLabel,  // "PDOP:"
    GpsPdop,       // "%4.1f" or "N/A"
    GpsSatLabel,   // "Sat:"
    GpsSat,        // "%2d"
    Count
};
inline constexpr int kLogFieldCount = static_cast<int>(LogField::Count);

// Widths of the texts that size the fields: labels measured in the normal font, values
// (state word, battery, marker, channels, GPS values) in the bold one they are drawn in.
struct LayoutTextWidths {
    int stateWord = 0;     // widest of "Stand By", "Logging", "Monitor"
    int batteryValue = 0;  // "B:99.99V"
    int lineLabel = 0;     // "Ln:"
    int stationLabel = 0;  // "Stn:"
    int marker = 0;        // "M"
    int channel = 0;       // "Ch3:-99999.9"
    int gpsPosLabel = 0;   // "Pos"
    int gpsActivity = 0;   // one character ("W")
    int gpsCountLabel = 0; // "#"
    int gpsCount = 0;      // "99999"
    int gpsFix = 0;        // widest of "CODE", "DGPS", "RTK", "AGPS", "NO FIX"
    int gpsPdopLabel = 0;  // "PDOP:"
    int gpsPdop = 0;       // "99.9"
    int gpsSatLabel = 0;   // "Sat:"
    int gpsSat = 0;        // "99"
};

struct LoggingLayout {
    std::array<int, 6> rowY{}; // R1..R6 (R3 and R6 only in portrait; 0 otherwise)
    QRect profile;             // the plot: left 4, width 312 or 232
    QRect buttonRow;           // y = height - 22, 20 high
    std::array<QRect, kLogFieldCount> fields;
    const QRect& Field(LogField f) const { return fields[static_cast<std::size_t>(f)]; }
};

LoggingLayout ComputeLoggingLayout(const ScreenGeometry& screen, const LayoutTextWidths& widths);

// The widths of the sizing texts: labels in `normal`, values in `bold`.
LayoutTextWidths MeasureLayoutTexts(const QFont& normal, const QFont& bold);

} // namespace tm47
