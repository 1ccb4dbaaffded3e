#pragma once
// Test helper: instrument frames built from their fields.

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "instrument/frame.h"

namespace tm47::test {

struct FrameFields {
    uint8_t letter = 'T';
    uint8_t rangeCode = 0;
    std::array<int16_t, 4> raw{};
    int16_t reference = 0;
    uint8_t battery = 0;
};

// The 15 bytes the instrument sends.
inline std::vector<uint8_t> WireFrame(const FrameFields& f) {
    std::vector<uint8_t> bytes{f.letter, f.rangeCode};
    for (int16_t v : {f.raw[0], f.raw[1], f.raw[2], f.raw[3], f.reference}) {
        bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
        bytes.push_back(static_cast<uint8_t>(v & 0xFF));
    }
    bytes.insert(bytes.end(), {f.battery, 0x7F, 0x7F});
    return bytes;
}

// The frame buffer a reader leaves for decoding: 14 bytes, then zeros.
inline FrameBuffer FrameOf(const FrameFields& f) {
    const std::vector<uint8_t> wire = WireFrame(f);
    FrameBuffer frame{};
    std::copy(wire.begin(), wire.begin() + kFrameBytes, frame.begin());
    return frame;
}

// A received frame with `raw` on every channel, reference 3000 and the given battery byte.
inline FrameBuffer Frame(uint8_t letter, int16_t raw = 0, uint8_t battery = 80) {
    return FrameOf({letter, 0, {raw, raw, raw, raw}, 3000, battery});
}

inline std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

} // namespace tm47::test
