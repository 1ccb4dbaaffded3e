#pragma once
// The one configuration record of the logger. Field names, types and defaults are those of
// the settings file "Storage\TALINI\TM47KVB.INI"; list choices hold the zero-based position
// of the item in the list the setup dialog shows, so list order is part of the file format.

#include <array>
#include <cstdint>
#include <string>

namespace tm47 {

struct Settings {
    // Persisted fields, in file order (file lines 2 to 47).
    int32_t instrumentVariant = 0; // 0 "Standard", 1 "High Power"
    int32_t antenna = 0;           // 0 "1 x 0.5 m", 1 "1 x 1 m", 2 "0.5 x 0.5 m", 3 "Hand Held"
    int32_t units = 0;             // 0 "meters", 1 "feet"
    int32_t instrumentPort = 0;    // 0..11 = COM1..COM12
    int32_t audio = 0;             // 0 "No", 1 "Yes"
    int32_t pauseKey = 0;          // 0 "any key", 1 "<Space Bar>", 2 "<Enter>", 3 "<P>"
    std::array<int32_t, 4> channelShown{1, 1, 1, 1};
    std::array<int32_t, 4> channelThickness{2, 3, 4, 1};
    // 0x00BBGGRR: blue, green, red, magenta.
    std::array<int32_t, 4> channelColour{16711680, 65280, 255, 16711935};
    int32_t amplitudeMode = 0; // 0 "Linear", 1 "Compressed"
    float profileScaleMin = 0.0f;
    float profileScaleMax = 500.0f;
    int32_t gpsEnabled = 0;  // 0 "Disabled", 1 "Enabled"
    int32_t gpsPort = 1;     // COM2
    int32_t gpsBaud = 1;     // 0 4800, 1 9600, 2 19200, 3 38400, 4 57600, 5 115200
    int32_t gpsDataBits = 1; // 0 "7", 1 "8"
    int32_t gpsParity = 0;   // 0 "No", 1 "Even", 2 "Odd"
    int32_t gpsStopBits = 0; // 0 "1", 1 "2"
    int32_t surveyMode = 0;  // 0 "Auto", 1 "Wheel", 2 "Manual"
    float autoStationIncrement = 1.0f;
    float wheelStationIncrement = 0.2f;
    float manualStationIncrement = 2.0f;
    float readingInterval = 0.2f;     // seconds between recorded readings
    std::u16string surveyLine = u"0"; // at most kSurveyLineMax characters
    float lineIncrement = 1.0f;
    int32_t lineSequence = 0;  // 0 "Alternate", 1 "One Way"
    int32_t lineDirection = 1; // 0 "West", 1 "South", 2 "North", 3 "East"
    double startStation = 0.0;
    int32_t dataStorage = 0; // 0 internal storage, 1 "Storage Card"
    int32_t outputEnabled = 0;
    int32_t outputFormat = 0; // 0 "Raw Data", 1 "Converted"
    int32_t outputPort = 1;   // COM2
    int32_t outputBaud = 3;   // 38400
    int32_t outputDataBits = 1;
    int32_t outputParity = 0;
    int32_t outputStopBits = 0;
    int32_t writeTestFile = 0;

    // Derived values, recomputed whenever their sources change; never stored.
    float activeStationIncrement = 1.0f;
    int32_t readingIntervalMs = 200;
    int32_t cyclesPerReading = 4;
    float profilePixelsPerUnit = 0.0f;
    int32_t storageCardPresent = 0;
    // Height of the profile plot area in pixels, fixed by the screen layout before loading.
    int32_t profilePlotHeight = 0;

    bool operator==(const Settings&) const = default;
};

// The surveyLine field holds 12 UTF-16 units including the terminator.
inline constexpr std::size_t kSurveyLineMax = 11;

// What a session forwards to the output port: nothing, the raw frames, or converted readings.
// The values are 10 x outputEnabled + outputFormat.
enum class OutputMode : int8_t {
    Off = 0,
    Raw = 10,
    Converted = 11,
};

// The mode the output settings give; a combination that is neither raw nor converted output
// forwards nothing.
inline OutputMode OutputModeOf(const Settings& s) {
    const int32_t mode = 10 * s.outputEnabled + s.outputFormat;
    return mode == 10 ? OutputMode::Raw : mode == 11 ? OutputMode::Converted : OutputMode::Off;
}

} // namespace tm47
