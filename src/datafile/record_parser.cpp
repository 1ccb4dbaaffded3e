#include "datafile/record_parser.h"

#include <string_view>

#include "datafile/number_text.h"

namespace tm47 {

namespace {

struct Scaling {
    std::array<double, 4> factor{1, 1, 1, 1};
    double nominal = 3000.0;
};

// Letter scaling and nominal reference, by letter group, variant and antenna.
Scaling ScalingFor(char letter, int32_t variant, int32_t antenna, double reference) {
    const bool highPower = variant == 1;
    const std::string_view fqjk = "FQJKjk";
    if (letter == 'E' || letter == 'P') {
        return {{0.9025, 1.363, 2.026795, 3.018856}, 1800.0};
    }
    if (fqjk.find(letter) != std::string_view::npos) {
        return {{0.9025, 1.363, 2.043, 12.152}, 1800.0};
    }
    const bool differential = letter == 'D' || letter == 'N';
    if (!highPower) {
        return {{2, 2, 2, differential ? 4.0 : 2.0}, 3000.0};
    }
    if (antenna == 1) {
        return {{1.72, 2.54, 3.74, 6.07}, reference >= 1650 ? 2230.0 : 1123.0};
    }
    if (antenna == 2) {
        return {{1.33, 1.33 * 1.53, 1.33 * 2.257, 1.33 * 1.885},
                reference >= 2600 ? 3729.0 : 1920.0};
    }
    return {{1.72, 2.54, 3.74, 6.07}, reference >= 1350 ? 1840.0 : 920.0};
}

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

    // Divisors from the range code, as a cascade.
    unsigned c = b[1];
    std::array<double, 4> divisor{1, 1, 1, 1};
    if (c >= 192) {
        divisor[0] = 100;
        c -= 192;
    } else if (c >= 64) {
        divisor[0] = 10;
        c -= 64;
    }
    if (c >= 48) {
        divisor[1] = 100;
        c -= 48;
    } else if (c >= 16) {
        divisor[1] = 10;
        c -= 16;
    }
    if (c >= 12) {
        divisor[2] = 100;
        c -= 12;
    } else if (c >= 4) {
        divisor[2] = 10;
        c -= 4;
    }
    divisor[3] = c == 3 ? 100 : (c == 1 ? 10 : 1);

    std::array<float, 4> ch{};
    for (std::size_t i = 0; i < 4; ++i) {
        ch[i] = static_cast<float>(Int16At(b, 2 + 2 * i) * 4.8333 / divisor[i]);
    }

    const char letter = out.letter;
    if ((letter == 'D' || letter == 'N') && settings.antenna == 0) {
        // Any variant other than 1 (High Power) reads as Standard, as in the frame decoding.
        ch[3] = static_cast<float>(settings.instrumentVariant == 1 ? ch[3] * 1.114 * 1.112
                                                                   : ch[3] * 1.114 / 1.112);
    }
    const Scaling sc = ScalingFor(letter, settings.instrumentVariant, settings.antenna, mean);
    for (std::size_t i = 0; i < 4; ++i) {
        ch[i] = static_cast<float>(ch[i] * sc.factor[i]);
    }

    // A stored mean of 0 (or less) would give no meaningful gain; such readings keep gain 1.
    const float gain = mean > 0.0f ? static_cast<float>(sc.nominal) / mean : 1.0f;
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
    return {static_cast<float>(ParseLeadingNumber(t.substr(1, 9))),
            static_cast<float>(ParseLeadingNumber(t.substr(11, 9)))};
}

bool IsNullingFormOffset(const Record& r) {
    return r[0] == 'O' && r[10] == ' ';
}

double ParseStartStation(const Record& r) {
    return ParseLeadingNumber(std::string_view(r.data() + 1, kRecordLength - 2));
}

double ParseIncrement(const Record& r) {
    return ParseLeadingNumber(std::string_view(r.data() + 2, kRecordLength - 3));
}

double ParseStation(const Record& r) {
    return ParseLeadingNumber(std::string_view(r.data() + 1, kRecordLength - 2));
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
