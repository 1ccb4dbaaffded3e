#pragma once
// GPS sentences put back together from their records: a first piece ("@" when the logger
// found the checksum right, "?" otherwise), continuation pieces ("#" or '"'), then the "!"
// record with the tick at which the sentence's "$" arrived. The GPS reader writes these from
// its own thread, so other records may fall between the pieces of one group; only GPS records
// are fed here.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "datafile/records.h"

namespace r47 {

struct GpsSentence {
    std::string text;          // pieces joined, the padding after the last character removed
    bool taggedValid = false;  // first tag "@"
    bool checksumOk = false;   // the text's own NMEA checksum
    int64_t tick = 0;          // from the "!" record
    int64_t firstIndex = 0;    // record index of the first piece
    bool hasLocalTime = false; // local time of day of `tick`, from the file's time stamps
    int64_t localTodMs = 0;
};

// A GPS record that does not fit its group, by record index.
struct GpsProblem {
    int64_t index = 0;
    std::string what;
};

bool IsGpsKind(char kind);

class GpsGroupAssembler {
public:
    // Takes one GPS record (IsGpsKind); returns the sentence a "!" record completes.
    std::optional<GpsSentence> Feed(const tm47::Record& r, int64_t index);
    // A group left open at the end of the file.
    void Finish();
    // Problems found since the last call.
    std::vector<GpsProblem> TakeProblems();

private:
    void Problem(int64_t index, std::string what);

    bool open_ = false;
    bool validFamily_ = false;
    int pieces_ = 0;
    int64_t firstIndex_ = 0;
    std::string text_;
    std::vector<GpsProblem> problems_;
};

} // namespace r47
