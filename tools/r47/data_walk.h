#pragma once
// One streaming pass over a data file, in whole 24-byte records, that every r47 command
// shares: the file header's facts (which also choose the decoding: instrument variant and
// antenna), the survey lines with the stations the viewer's line index gives them, each
// reading decoded and timed, and the GPS sentences put back together. Nothing is kept but the
// current line, so memory does not grow with the file.

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

#include "config/settings.h"
#include "datafile/records.h"
#include "gps_groups.h"
#include "viewer/line_walk.h"

namespace r47 {

struct FileFacts {
    bool hasHeader = false;
    std::string instrument; // "TM47KVB" or "TM47HXB"
    std::string version;    // "231"
    bool gps = false;       // "GPS" rather than "GRD"
    int units = 0;          // 0 meters, 1 feet
    int antenna = 0;
    int surveyMode = 0; // 0 Auto, 1 Wheel, 2 Manual
    bool polledLink = false;
    std::string name;
    double readingIntervalS = 0.0;
};

// A calendar date with days added across midnight.
struct Date {
    int year = 0;
    int month = 0;
    int day = 0;
    Date PlusDays(int days) const;
    bool Valid() const { return month >= 1 && month <= 12 && day >= 1 && day <= 31; }
};

struct LineFacts {
    int64_t number = 0; // 1-based, in file order
    std::string name;   // up to its first space, as the line list shows it
    double startStation = 0.0;
    double increment = 0.0;
    char direction = '?';
    bool hasDate = false;
    Date date;
    int64_t startTodMs = 0; // time of the "Z" record
};

struct ReadingRow {
    int64_t index = 0;
    const LineFacts* line = nullptr; // null before the first survey line
    double station = 0.0;
    char letter = 0;
    std::array<float, 4> channel{};
    int64_t tick = 0;
    bool hasTime = false;
    Date date;
    int64_t todMs = 0; // local time of day, 0..86399999
};

class WalkHandler {
public:
    virtual ~WalkHandler() = default;
    virtual void OnRecord(int64_t index, const tm47::Record& r) {}
    virtual void OnFileHeader(const FileFacts& facts) {}
    virtual void OnLine(const LineFacts& line) {}
    virtual void OnReading(const ReadingRow& row) {}
    // A gap the viewer shows: "S" (4 rows) or a marker (1 row).
    virtual void OnGap(int64_t index, int rows) {}
    // A reading record the viewer's walk takes as a line header or offset record, so it has
    // no place on the line.
    virtual void OnUnplacedReading(int64_t index) {}
    virtual void OnSentence(const GpsSentence& s) {}
    virtual void OnGpsProblem(const GpsProblem& p) {}
};

struct WalkResult {
    bool opened = false;
    std::string error; // why the file could not be read
    int64_t records = 0;
    int64_t trailingBytes = 0; // a partial record at the end
};

// Local time of day of `tick` from the last time stamp before it; false without one.
class TickClock {
public:
    void DateRecord(const tm47::Record& z, LineFacts& line);
    void TimeStamp(const tm47::Record& star);
    bool LocalTime(int64_t tick, Date& date, int64_t& todMs) const;

private:
    bool hasDate_ = false;
    Date date_;           // of the last "Z"
    int64_t lastTod_ = 0; // of the last "Z" or "*"
    int dayOffset_ = 0;   // days since the "Z" date, counted at each stamp past midnight
    bool hasStamp_ = false;
    int64_t stampTod_ = 0;
    int64_t stampTick_ = 0;
    int stampDayOffset_ = 0;
};

// The file header ("TM47KVB W231GPS...") and file name ("H ...") records.
bool ParseFileHeader(const tm47::Record& r, FileFacts& facts);
void ParseFileName(const tm47::Record& r, FileFacts& facts);
// Decoding settings from the file's header: instrument variant and antenna.
tm47::Settings DecodingSettings(const FileFacts& facts);

// Walks `path` ("-" is standard input).
WalkResult WalkDataFile(const std::string& path, WalkHandler& handler);
WalkResult WalkDataFile(std::FILE* file, WalkHandler& handler);

} // namespace r47
