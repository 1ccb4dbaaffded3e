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
        pieces_ = 1;
        // Pieces are kept whole: a sentence may hold a space at the end of a piece.
        text_.assign(PieceOf(r));
        if (r[1] != '$') {
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
        ++pieces_;
        text_.append(PieceOf(r));
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
    // Only the last piece is padded.
    s.text.assign(TrimRight(text_));
    text_.clear();
    s.taggedValid = validFamily_;
    s.checksumOk = tm47::NmeaChecksumOk(s.text);
    s.firstIndex = firstIndex_;
    const std::string_view tickField(r.data() + 13, 10);
    if (!IsIntegerField(tickField) || !IsBlank(std::string_view(r.data() + 1, 12))) {
        Problem(index, "malformed GPS time record");
    }
    s.tick = FieldInteger(tickField);
    // The writer's cut: pieces of 22, the last padded, and a blank piece after a text that
    // fills its last piece exactly.
    const std::size_t length = s.text.size();
    const std::size_t writerPieces =
        length < kPieceLength
            ? 1
            : (length + kPieceLength - 1) / kPieceLength + (length % kPieceLength == 0 ? 1 : 0);
    if (static_cast<std::size_t>(pieces_) != writerPieces) {
        Problem(firstIndex_, "GPS sentence of " + std::to_string(length) + " characters in " +
                                 std::to_string(pieces_) + " pieces, not " +
                                 std::to_string(writerPieces));
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
