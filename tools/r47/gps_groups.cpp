#include "gps_groups.h"

#include <string_view>

#include "gps/nmea_framer.h"
#include "number_fields.h"

namespace r47 {

namespace {

constexpr std::size_t kPieceLength = 22;

std::string_view PieceOf(const tm47::Record& r) {
    return std::string_view(r.data() + 1, kPieceLength);
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && s.back() == ' ') {
        s.remove_suffix(1);
    }
    return s;
}

} // namespace

bool IsGpsKind(char kind) {
    return kind == tm47::kGpsFirstTag || kind == tm47::kGpsContinuationTag ||
           kind == tm47::kGpsBadFirstTag || kind == tm47::kGpsBadContinuationTag || kind == '!';
}

void GpsGroupAssembler::Problem(int64_t index, std::string what) {
    problems_.push_back({index, std::move(what)});
}

std::vector<GpsProblem> GpsGroupAssembler::TakeProblems() {
    std::vector<GpsProblem> out;
    out.swap(problems_);
    return out;
}

std::optional<GpsSentence> GpsGroupAssembler::Feed(const tm47::Record& r, int64_t index) {
    const char kind = r[0];
    if (kind == tm47::kGpsFirstTag || kind == tm47::kGpsBadFirstTag) {
        if (open_) {
            Problem(firstIndex_, "GPS sentence without its time record");
        }
        open_ = true;
        validFamily_ = kind == tm47::kGpsFirstTag;
        firstIndex_ = index;
        const std::string_view piece = PieceOf(r);
        const std::string_view text = TrimRight(piece);
        padded_ = text.size() < piece.size();
        blankTail_ = false;
        text_.assign(text);
        if (text.empty() || text.front() != '$') {
            Problem(index, "GPS sentence does not begin with \"$\"");
        }
        return std::nullopt;
    }
    if (kind == tm47::kGpsContinuationTag || kind == tm47::kGpsBadContinuationTag) {
        if (!open_) {
            Problem(index, "GPS continuation without a first piece");
            return std::nullopt;
        }
        if ((kind == tm47::kGpsContinuationTag) != validFamily_) {
            Problem(index, "GPS continuation tag does not match its first tag");
        }
        const std::string_view piece = PieceOf(r);
        const std::string_view text = TrimRight(piece);
        if (blankTail_ || (padded_ && !text.empty())) {
            Problem(index, "GPS piece after the end of its sentence");
        } else if (text.empty()) {
            blankTail_ = true; // the record after a text that filled its last piece
        }
        if (!blankTail_) {
            padded_ = text.size() < piece.size();
            text_.append(text);
        }
        return std::nullopt;
    }
    if (kind != '!') {
        return std::nullopt;
    }
    if (!open_) {
        Problem(index, "GPS time record without a sentence");
        return std::nullopt;
    }
    open_ = false;
    GpsSentence s;
    s.text = std::move(text_);
    text_.clear();
    s.taggedValid = validFamily_;
    s.checksumOk = tm47::NmeaChecksumOk(s.text);
    s.firstIndex = firstIndex_;
    const std::string_view tickField(r.data() + 13, 10);
    if (!IsIntegerField(tickField) || !IsBlank(std::string_view(r.data() + 1, 12))) {
        Problem(index, "malformed GPS time record");
    }
    s.tick = FieldInteger(tickField);
    // A sentence of a multiple of 22 characters ends in a blank continuation record.
    if (!padded_ && !blankTail_ && !s.text.empty()) {
        Problem(index, "GPS sentence filling its last piece has no blank continuation");
    }
    if (s.taggedValid != s.checksumOk) {
        Problem(firstIndex_, s.taggedValid ? "GPS tag \"@\" but the sentence's checksum is wrong"
                                           : "GPS tag \"?\" but the sentence's checksum is right");
    }
    return s;
}

void GpsGroupAssembler::Finish() {
    if (open_) {
        Problem(firstIndex_, "GPS sentence without its time record");
        open_ = false;
    }
}

} // namespace r47
