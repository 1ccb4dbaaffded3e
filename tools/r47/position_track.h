#pragma once
// Positions for readings from the GGA fixes around them, in one pass. A reading waits until
// a fix at or after its tick has arrived (or can no longer arrive within the gap allowed);
// only the readings and fixes of that window are held, so memory stays flat.
//
// A reading's position is interpolated linearly in tick between the valid fixes (quality 1
// to 5) just before and just after its tick (minus the lag), when each lies within the
// maximum gap of it; there is no extrapolation. Fix quality, satellites and HDOP come from the
// nearer of the two. GPS time records carry the tick at which the sentence began, so a fix
// can be older than readings written before it: the slack below covers that. Ticks that go
// back (a damaged file) start the track again, and at most 65536 readings wait.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

#include "data_walk.h"
#include "nmea_fix.h"

namespace r47 {

struct TimedFix {
    int64_t tick = 0;
    GgaFix gga;
    std::optional<int> gsaMode; // of the GSA nearest in tick
    int64_t gsaDistance = INT64_MAX;
};

struct Position {
    double lat = 0.0;
    double lon = 0.0;
    bool hasAlt = false;
    double alt = 0.0;
    const TimedFix* nearer = nullptr; // valid during the callback only
    int64_t fixAgeMs = 0;
};

struct PositionedRow {
    ReadingRow reading;
    LineFacts line; // copied: the walk moves on while readings wait
    bool inLine = false;
    std::optional<Position> position;
    // Distance in ms to the nearest valid fix on either side (for coverage), if any.
    std::optional<int64_t> nearestFixMs;
};

class PositionTrack {
public:
    using Sink = std::function<void(const PositionedRow&)>;
    PositionTrack(double maxGapS, double lagS, Sink sink);

    void Reading(const ReadingRow& row);
    void Sentence(const GpsSentence& s);
    // Everything still waiting goes out.
    void Finish();

private:
    void Resolve(bool all);
    void Emit(PositionedRow& row);
    void Prune();
    // Everything waiting goes out and the fixes are forgotten.
    void Restart();

    int64_t maxGapMs_;
    int64_t lagMs_;
    Sink sink_;
    std::deque<PositionedRow> waiting_;
    std::deque<TimedFix> fixes_; // valid fixes, in tick order
    int64_t newestTick_ = INT64_MIN;
    int64_t lastReadingTick_ = INT64_MIN;
    std::optional<int> lastGsaMode_;
    int64_t lastGsaTick_ = 0;
};

} // namespace r47
