#pragma once
// The settings file "Storage\TALINI\TM47KVB.INI": a positional text file of 47 lines, each
// ending in CR LF, without keys. Line 1 is the version tag "CEVer2.31"; lines 2 to 47 hold the
// fields of `Settings` in record order, written with "%d", "%ld" and "%f" (six decimals) in the
// C locale and read back with the C library rule (leading number, else 0).
//
// Policy:
// - A missing file, or one whose first line is not exactly the tag, is (re)written from the
//   values in memory; none of a foreign file's values is taken over. No message.
// - A file with the right tag but fewer lines keeps the values in memory (the defaults at
//   start-up) for the fields it lacks.
// - Nothing is clamped on loading except: `surveyLine` is cut to 11 characters, and
//   `dataStorage` 1 falls back to 0 when no storage card is present.
// - Saving writes a new file beside the old one and renames it over, so a failed write
//   leaves the previous settings in place.
//
// Text line 34 (`surveyLine`) is 8-bit in the file: each byte is one character of the
// Latin-1 range; characters beyond it are written as '?'.
//
// Runs on the GUI thread only; the record has no lock.

#include "config/settings.h"
#include "platform/device_root.h"

#include <cstddef>
#include <cstdio>
#include <string_view>

namespace tm47 {

inline constexpr std::string_view kSettingsFolder = "Storage\\TALINI";
inline constexpr std::string_view kSettingsFileName = "Storage\\TALINI\\TM47KVB.INI";
inline constexpr std::string_view kSettingsTag = "CEVer2.31";
inline constexpr std::string_view kStorageCard = "Storage Card";
// Room for one line of the file: the longest "%f" of a double and then some.
inline constexpr std::size_t kSettingsLineSize = 512;

// What LoadSettings found.
enum class SettingsLoad {
    Loaded,  // the file had the tag; its values were read
    Missing, // no file could be opened; it was written from the values in memory
    Foreign, // another version's file; it was deleted and written from the values in memory
};

// Fills `settings` from the settings file, or creates the file from the values in memory.
// Refreshes `storageCardPresent` and recomputes every derived value in all three cases
// (`profilePlotHeight` must be set before). The caller then sets the session's watch mode from
// `surveyMode` and `SurveyPosition::station` to `startStation`.
SettingsLoad LoadSettings(Settings& settings, const DeviceRoot& root);

// Writes the whole record to the settings file, replacing it. Refreshes `storageCardPresent`.
// Returns false (and says why on standard error) when the file could not be written; the
// operator is not told and the record in memory stays as it is.
bool SaveSettings(Settings& settings, const DeviceRoot& root);

// Writes lines 2..47 to `file`. Returns false when a write failed.
bool WriteSettingsLines(std::FILE* file, const Settings& settings);

// Reads lines 2..47 from `file`, positioned after line 1, and recomputes the derived values.
// Stops at end of file, leaving the remaining fields as they are. Returns the number of value
// lines read (46 for a whole file).
int ReadSettingsLines(std::FILE* file, Settings& settings);

// Reads one line: bytes up to LF or end of file. Keeps at most `size` - 1 bytes in `buffer`,
// NUL-terminated (the rest of a longer line is read and dropped), and drops the CR of a CR LF
// ending. Returns the number of bytes kept, or -1 when the file has ended before the line.
long ReadTextLine(std::FILE* file, char* buffer, std::size_t size);

// `cyclesPerReading` from `readingInterval`: instrument cycles of 55.078213 ms per recorded
// reading, rounded, at least 1.
void UpdateCyclesPerReading(Settings& settings);
// `readingIntervalMs`: `readingInterval` x 1000 in single precision, truncated.
void UpdateReadingIntervalMs(Settings& settings);
// `activeStationIncrement` by `surveyMode` 0, 1, 2; any other mode keeps the previous value.
void UpdateActiveStationIncrement(Settings& settings);
// `profilePixelsPerUnit`: `profilePlotHeight` / (`profileScaleMax` - `profileScaleMin`). A
// scale whose maximum is not above its minimum is taken as minimum .. minimum + 100, so the
// result is always finite, and positive for a positive height.
void UpdateProfilePixelsPerUnit(Settings& settings);
// All four of the above.
void UpdateDerivedSettings(Settings& settings);

// Refreshes `storageCardPresent`: whether "Storage Card" exists under the root.
void RefreshStorageCardPresent(Settings& settings, const DeviceRoot& root);

} // namespace tm47
