#include "viewer/line_walk.h"

#include <string_view>

#include "platform/c_numbers.h"

namespace tm47 {

namespace {

// A new offset from positions 1-9 of an "O" record, narrowed without overflow.
float NewOffsetOf(const Record& r) {
    return NarrowToFloat(StrtodDecimalLike(std::string_view(r.data() + 1, 9)));
}

} // namespace

void LineWalk::Begin() {
    headerIndex_ = 0;
    offsetGroupLeft_ = 0;
    offsets_ = {};
    gaps_ = 0;
}

LineWalk::Step LineWalk::Feed(const Record& r) {
    if (headerIndex_ < kHeaderRecords) {
        // By position, whatever the kinds: L, B, A, Z, O, O, O, O.
        const int at = headerIndex_++;
        if (at == 1) {
            startStation_ = ParseStartStation(r);
        } else if (at == 2) {
            increment_ = ParseIncrement(r);
        } else if (at >= 4) {
            if (at == 4) {
                order_ =
                    r[22] == '1' ? OffsetOrder::BeforeNormalising : OffsetOrder::AfterNormalising;
            }
            offsets_[static_cast<std::size_t>(at - 4)] = NewOffsetOf(r);
        }
        if (headerIndex_ == kHeaderRecords) {
            // So that the first reading lands on the start station.
            station_ = startStation_ - increment_;
        }
        return Step::Header;
    }
    if (offsetGroupLeft_ > 0) {
        // The three records after a body "O" are its channels 2 to 4, whatever they hold.
        offsets_[static_cast<std::size_t>(4 - offsetGroupLeft_)] = NewOffsetOf(r);
        --offsetGroupLeft_;
        return Step::Offset;
    }
    const char kind = r[0];
    if (IsReadingKind(kind)) {
        station_ += increment_;
        reading_ = ParseReadingRecord(r, offsets_, order_, *settings_);
        return Step::Point;
    }
    switch (kind) {
    case 'L':
        return Step::LineEnd;
    case 'O':
        offsets_[0] = NewOffsetOf(r);
        offsetGroupLeft_ = 3;
        return Step::Offset;
    case 'S':
        gaps_ = 4;
        // So that the next reading lands exactly on the new station.
        station_ = ParseStation(r) - increment_;
        return Step::Gaps;
    case 'X':
        station_ += increment_;
        gaps_ = 1;
        return Step::Gaps;
    default:
        return Step::Skipped;
    }
}

} // namespace tm47
