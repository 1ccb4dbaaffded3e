#pragma once
// The GPS status line of the Monitor/Log screen, fed one line at a time as the GPS reader
// hands each sentence to the GUI thread: fix quality and satellites from GGA sentences, PDOP from
// GSA sentences, a spinner that turns on every verified GGA sentence, and the count of GGA
// sentences taken while readings are recorded. Nothing decoded is kept: the texts go
// straight to the cells and live only on the screen.
//
// The rules here are pure; the screen implements GpsStatusView and a test fakes it.

#include <cstdint>
#include <string>
#include <string_view>

#include "gps/gps_fix.h"

namespace tm47 {

enum class GpsCell { Spinner, LoggedGgaCount, FixQuality, Pdop, Satellites };
enum class GpsFont { Normal, Bold }; // the status font, weight 400 or 700

// What the screen offers the GPS status rules. GUI thread only.
class GpsStatusView {
public:
    virtual ~GpsStatusView() = default;
    // Fills `cell` light grey and draws `text` at its left edge on the status row in `font`.
    // An empty text leaves the cell blank.
    virtual void DrawCell(GpsCell cell, std::string_view text, GpsFont font) = 0;
    // The silence warning: the spinner, fix-quality and satellites cells filled red (255, 0,
    // 0), "GPS!" in the bold status font at the fix-quality cell's left edge + 5, top + 1, on
    // a transparent background. It stays until the cells are drawn again.
    virtual void ShowGpsWarning() = 0;
};

// The session facts the handler needs, taken on the GUI thread for each line.
struct GpsStatusInputs {
    bool gpsEnabled = false; // Settings gpsEnabled == 1
    bool logging = false;    // the session is in the Logging state
    bool latchTake = false;  // manualTriggerLatch is take (1)
};

// Texts of the cells.
// Fix quality from GGA field 7: only its first character counts; "0".."9" give
// "NO FIX", "AGPS", "DGPS", "RTK3".."RTK9", anything else (an empty field too) " >9".
std::string FixQualityText(std::string_view field7);
// Satellites from GGA field 8: its leading integer (AtoiLike) with "%2d"; a missing field is 0.
std::string SatellitesText(bool found, std::string_view field8);
// PDOP from GSA field 16: its leading number (StrtodLike) as a float with "%-4.1f"; "N/A" when
// the field is missing.
std::string PdopText(bool found, std::string_view field16);
// The logged GGA count, "%-5d".
std::string LoggedGgaCountText(uint32_t count);
// "/" after "\", "\" after "/".
int32_t NextSpinnerChar(int32_t current);

// Takes the sentence the GPS reader handed over: draws what `fix`'s sentence texts say into the
// cells, then empties both texts. The valid path needs a verified line of at least 6 characters and
// GPS input enabled; every other line takes the not-valid path ("??" in bold, nothing counted).
void HandleGpsSentence(GpsFix& fix, const GpsStatusInputs& inputs, GpsStatusView& view);

} // namespace tm47
