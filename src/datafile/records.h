#pragma once
// The records of a survey data file (*.R47). Every record is exactly 24 bytes and ends in LF;
// byte 0 names the kind. Text fields are right-aligned printf conversions; a value wider than
// its field pushes the following fields right and is cut by the LF at position 23, so the
// widths are part of the format. Reading records carry raw instrument bytes (LF and NUL
// among them), so files are only ever written and read in whole 24-byte records.
//
// The builders here are pure: values in, bytes out. The writers (record_writers.h) take the
// values from the logger's state and send the bytes to the files and the output port.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/settings.h"
#include "platform/clock.h"

namespace tm47 {

inline constexpr std::size_t kRecordLength = 24;
using Record = std::array<char, kRecordLength>;

// Bytes of a frame that a reading record copies: letter, range code, four raw channels and
// the three reference/battery bytes (frame bytes 0-12).
inline constexpr std::size_t kReadingFrameBytes = 13;

// QC calibration kind letters.
inline constexpr char kQcNone = 'N';
inline constexpr char kQcInternal = 'I';
inline constexpr char kQcExternal = 'E';

// GPS sentence tags: checksum correct / anything else.
inline constexpr char kGpsFirstTag = '@';
inline constexpr char kGpsContinuationTag = '#';
inline constexpr char kGpsBadFirstTag = '?';
inline constexpr char kGpsBadContinuationTag = '"';

// Marker texts the session writes with letter 'X'.
inline constexpr std::u16string_view kMarkerStarted = u"$STARTED";
inline constexpr std::u16string_view kMarkerPaused = u"$PAUSED";
inline constexpr std::u16string_view kMarkerConnBreak = u"$CONN BREAK";
inline constexpr std::u16string_view kMarkerConnEnd = u"$CONN END  ";

// True for the reading kind letters D, E, F, J, K, M, N, P, Q, T, j, k.
bool IsReadingKind(char kind);

// A record from its fields laid end to end: padded with spaces or cut to 23 bytes, then LF.
Record MakeRecord(std::string_view fields);

// "TM47KVB W231GRD000   " + link + screen + LF.
Record FileHeaderRecord(const Settings& settings, bool polledLink, bool portrait);
// "H " + name (9, cut) + readingInterval "%7.3f" + 5 spaces.
Record FileNameRecord(std::string_view name8, float readingInterval);
// Header form: "O" + offset "%9.2f" + QC kind + QC value "%9.2f" + 3 spaces.
Record HeaderOffsetRecord(float offset, char qcKind, float qcValue);
// Nulling form: "O" + new "%9.2f" + " " + previous "%9.2f" + "  1".
Record NullingOffsetRecord(float newOffset, float previousOffset);
// "I" + QC kind + value "%9.2f" + 11 spaces + "1".
Record QcCalibrationRecord(char qcKind, float value);
// "L" + line name (8, cut).
Record SurveyLineRecord(std::u16string_view surveyLine);
// "B" + start station "%11.2f".
Record StartStationRecord(double startStation);
// "A" + direction letter + 6 spaces + increment "%11.3f".
Record DirectionRecord(int32_t lineDirection, float activeStationIncrement);
// "Z" + ddmmyyyy + " " + hh:mm:ss.
Record DateTimeRecord(const LocalTime& t);
// "S" + station "%11.2f" + " " + hhmmsshh (hundredths).
Record StationRecord(double station, const LocalTime& t);
// "*" + hh:mm:ss.mmm + tick "%10ld".
Record TimeStampRecord(const LocalTime& t, uint32_t tick);
// Frame bytes 0-12 + tick "%10ld". `frame` must hold at least kReadingFrameBytes bytes.
Record ReadingRecord(std::span<const uint8_t> frame, uint32_t tick);
// letter ('C' or 'X') + text (11, cut, padded) + " " + tick "%10ld".
Record NoteRecord(char letter, std::u16string_view text, uint32_t tick);
// The sentence cut into 22-character pieces after the first and continuation tags; a text
// whose length is a positive multiple of 22 gets a final continuation record of spaces. A
// text shorter than 22 characters is one padded record with no continuation.
std::vector<Record> GpsSentenceRecords(std::string_view text, char firstTag, char continuationTag);
// "!" + 12 spaces + tick "%10ld".
Record GpsTimeRecord(uint32_t tick);

// Direction letters W, S, N, E for lineDirection 0..3 ('?' for anything else).
char DirectionLetter(int32_t lineDirection);

// Converted forms for the output port (each ends in CR LF).
std::string ConvertedFileName(std::string_view name8);
std::string ConvertedFirst23(const Record& r);   // survey line, comment and marker
std::string ConvertedDateTime(const Record& r);  // first 23, a space
std::string ConvertedDirection(const Record& r); // "A" + direction letter
std::string ConvertedStation(const Record& r, const LocalTime& t);
std::string ConvertedGpsTime(std::string_view text, uint32_t tick);

// The 67-byte converted reading line: letter, blank, station "%12.2f", four channels
// "%10.2f", blank, tick "%10d", CR LF. Each value is copied to its column start at its full
// formatted length, column after column, so a wider value keeps only its first characters.
std::string ConvertedReadingLine(char letter, double station, const float (&channel)[4],
                                 int32_t tick);

} // namespace tm47
