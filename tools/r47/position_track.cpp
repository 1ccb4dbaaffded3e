#include "position_track.h"

#include <algorithm>
#include <cmath>

namespace r47 {

namespace {
// How much older than the records around it a GPS time record can be: the time a sentence
// takes to arrive and reach the file.
constexpr int64_t kSentenceSlackMs = 3000;
// Readings held for fixes at most: far more than any gap at the instrument's rate needs, and
// a bound on memory whatever the ticks in a file do.
constexpr std::size_t kMaxWaiting = 65536;
} // namespace

PositionTrack::PositionTrack(double maxGapS, double lagS, Sink sink)
    : maxGapMs_(std::llround(maxGapS * 1000.0)), lagMs_(std::llround(lagS * 1000.0)),
      sink_(std::move(sink)) {}

void PositionTrack::Reading(const ReadingRow& row) {
    if (row.tick < lastReadingTick_) {
        Restart(); // ticks went back (a damaged file): the fixes seen belong to other times
    }
    lastReadingTick_ = row.tick;
    PositionedRow p;
    p.reading = row;
    if (row.line != nullptr) {
        p.line = *row.line;
        p.inLine = true;
    }
    p.reading.line = nullptr;
    waiting_.push_back(std::move(p));
    newestTick_ = std::max(newestTick_, row.tick);
    Resolve(false);
}

void PositionTrack::Sentence(const GpsSentence& s) {
    if (!s.checksumOk) {
        return;
    }
    if (const auto mode = ParseGsaMode(s.text)) {
        // The nearest GSA in tick: this one for the last fix when it is nearer than its own.
        if (!fixes_.empty() &&
            std::llabs(s.tick - fixes_.back().tick) < fixes_.back().gsaDistance) {
            fixes_.back().gsaMode = mode;
            fixes_.back().gsaDistance = std::llabs(s.tick - fixes_.back().tick);
        }
        lastGsaMode_ = mode;
        lastGsaTick_ = s.tick;
        return;
    }
    const auto gga = ParseGga(s.text);
    if (!gga || !gga->Valid()) {
        return;
    }
    if (!fixes_.empty() && s.tick < fixes_.back().tick) {
        Restart(); // GPS ticks went back (a damaged file): start the track again
    }
    TimedFix f;
    f.tick = s.tick;
    f.gga = *gga;
    if (lastGsaMode_) {
        f.gsaMode = lastGsaMode_;
        f.gsaDistance = std::llabs(s.tick - lastGsaTick_);
    }
    fixes_.push_back(f);
    newestTick_ = std::max(newestTick_, s.tick);
    Resolve(false);
}

void PositionTrack::Finish() {
    Resolve(true);
}

void PositionTrack::Restart() {
    Resolve(true);
    fixes_.clear();
    newestTick_ = INT64_MIN;
    lastReadingTick_ = INT64_MIN;
}

void PositionTrack::Resolve(bool all) {
    while (!waiting_.empty()) {
        PositionedRow& row = waiting_.front();
        const int64_t target = row.reading.tick - lagMs_;
        const bool fixAfter = !fixes_.empty() && fixes_.back().tick >= target;
        // Later fixes can still come while the newest tick seen is within reach.
        if (!all && !fixAfter && newestTick_ <= target + maxGapMs_ + kSentenceSlackMs &&
            waiting_.size() <= kMaxWaiting) {
            return;
        }
        Emit(row);
        waiting_.pop_front();
    }
    Prune();
}

void PositionTrack::Emit(PositionedRow& row) {
    const int64_t target = row.reading.tick - lagMs_;
    // The last fix at or before the target and the first at or after it.
    const auto after = std::lower_bound(fixes_.begin(), fixes_.end(), target,
                                        [](const TimedFix& f, int64_t t) { return f.tick < t; });
    const TimedFix* next = after != fixes_.end() ? &*after : nullptr;
    const TimedFix* prev = nullptr;
    if (next != nullptr && next->tick == target) {
        prev = next;
    } else if (after != fixes_.begin()) {
        prev = &*(after - 1);
    }
    if (prev != nullptr) {
        row.nearestFixMs = target - prev->tick;
    }
    if (next != nullptr && (!row.nearestFixMs || next->tick - target < *row.nearestFixMs)) {
        row.nearestFixMs = next->tick - target;
    }
    if (prev != nullptr && next != nullptr && target - prev->tick <= maxGapMs_ &&
        next->tick - target <= maxGapMs_) {
        Position p;
        const int64_t span = next->tick - prev->tick;
        const double f = span > 0 ? static_cast<double>(target - prev->tick) / span : 0.0;
        p.lat = prev->gga.lat + (next->gga.lat - prev->gga.lat) * f;
        p.lon = prev->gga.lon + (next->gga.lon - prev->gga.lon) * f;
        p.hasAlt = prev->gga.hasAlt && next->gga.hasAlt;
        p.alt = prev->gga.alt + (next->gga.alt - prev->gga.alt) * f;
        const bool prevNearer = target - prev->tick <= next->tick - target;
        p.nearer = prevNearer ? prev : next;
        p.fixAgeMs = prevNearer ? target - prev->tick : next->tick - target;
        row.position = p;
    }
    sink_(row);
    row.position.reset();
}

void PositionTrack::Prune() {
    // Keep the fixes the oldest waiting (or next) reading can still use. Before any fix or
    // reading the newest tick is still the INT64_MIN sentinel and nothing can be pruned.
    const int64_t from = waiting_.empty() ? newestTick_ : waiting_.front().reading.tick;
    if (from == INT64_MIN) {
        return;
    }
    const int64_t oldest = from - lagMs_ - maxGapMs_ - kSentenceSlackMs;
    while (fixes_.size() > 1 && fixes_[1].tick <= oldest) {
        fixes_.pop_front();
    }
}

} // namespace r47
