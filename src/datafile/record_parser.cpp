#include "datafile/record_parser.h"

#include <string_view>

#include "instrument/frame_decoder.h"
#include "platform/c_numbers.h"

namespace tm47 {

namespace {

int16_t Int16At(std::span<const uint8_t> b, std::size_t i) {
    return static_cast<int16_t>(static_cast<uint16_t>((b[i] << 8) | b[i + 1]));
}

} // namespace

ParsedReading ParseReadingRecord(std::span<const uint8_t> record,
                                 const std::array<float, 4>& offsets, OffsetOrder order,
                                 const Settings& settings) {
    std::array<uint8_t, kReadingFrameBytes> b{};
    for (std::size_t i = 0; i < b.size() && i < record.size(); ++i) {
        b[i] = record[i];
    }
    ParsedReading out;
    out.letter = static_cast<char>(b[0]);

    const float mean = static_cast<float>(Int16At(b, 10)) +
                       static_cast<float>(static_cast<int8_t>(b[12])) / 100.0f;
    out.referenceMean = mean;

    // The same calibration as the live decoding, with the stored mean as the reference.
    std::array<float, 4> ch{};
    const float nominal = CalibrateChannels(b.data(), settings, mean, ch);

    // A stored mean of 0 (or less) would give no meaningful gain; such readings keep gain 1.
    const float gain = mean > 0.0f ? nominal / mean : 1.0f;
    for (std::size_t i = 0; i < 4; ++i) {
        out.channel[i] = order == OffsetOrder::BeforeNormalising ? (ch[i] - offsets[i]) * gain
                                                                 : ch[i] * gain - offsets[i];
    }
    return out;
}

ParsedReading ParseReadingRecord(const Record& record, const std::array<float, 4>& offsets,
                                 OffsetOrder order, const Settings& settings) {
    return ParseReadingRecord(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(record.data()), record.size()),
        offsets, order, settings);
}

OffsetRecordValues ParseOffsetRecord(const Record& r) {
    const std::string_view t(r.data(), r.size());
    return {static_cast<float>(StrtodDecimalLike(t.substr(1, 9))),
            static_cast<float>(StrtodDecimalLike(t.substr(11, 9)))};
}

bool IsNullingFormOffset(const Record& r) {
    return r[0] == 'O' && r[10] == ' ';
}

double ParseStartStation(const Record& r) {
    return StrtodDecimalLike(std::string_view(r.data() + 1, kRecordLength - 2));
}

double ParseIncrement(const Record& r) {
    return StrtodDecimalLike(std::string_view(r.data() + 2, kRecordLength - 3));
}

double ParseStation(const Record& r) {
    return StrtodDecimalLike(std::string_view(r.data() + 1, kRecordLength - 2));
}

void ForwardOffsets::Feed(const Record& r) {
    const char kind = r[0];
    if (kind == 'O' && IsNullingFormOffset(r)) {
        if (previousKind_ != 'O') {
            groupIndex_ = 0;
            lineHeaderGroup_ = previousKind_ == 'Z';
            if (lineHeaderGroup_) {
                order_ =
                    r[22] == '1' ? OffsetOrder::BeforeNormalising : OffsetOrder::AfterNormalising;
            }
        }
        if (groupIndex_ < 4) {
            offsets_[static_cast<std::size_t>(groupIndex_)] = ParseOffsetRecord(r).newOffset;
            ++groupIndex_;
        }
    }
    previousKind_ = kind == 'O' && !IsNullingFormOffset(r) ? 'H' : kind;
}

void BackwardOffsets::Feed(const Record& r) {
    const char kind = r[0];
    if (kind == 'O' && IsNullingFormOffset(r)) {
        if (previousKind_ != 'O') {
            groupIndex_ = 3; // walking backward, channel 4 comes first
        }
        if (groupIndex_ >= 0) {
            offsets_[static_cast<std::size_t>(groupIndex_)] = ParseOffsetRecord(r).previousOffset;
            --groupIndex_;
        }
    }
    previousKind_ = kind == 'O' && !IsNullingFormOffset(r) ? 'H' : kind;
}

} // namespace tm47
