#pragma once
// Test helper: instrument frames built from their fields.

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
    auto put16 = [&bytes](int16_t v) {
        const auto u = static_cast<uint16_t>(v);
        bytes.push_back(static_cast<uint8_t>(u >> 8));
        bytes.push_back(static_cast<uint8_t>(u & 0xFF));
    };
    for (int16_t v : f.raw)
        put16(v);
    put16(f.reference);
    bytes.push_back(f.battery);
    bytes.push_back(0x7F);
    bytes.push_back(0x7F);
    return bytes;
}

// The frame buffer a reader leaves for decoding: 14 bytes, then zeros.
inline FrameBuffer FrameOf(const FrameFields& f) {
    const std::vector<uint8_t> wire = WireFrame(f);
    FrameBuffer frame{};
    for (int i = 0; i < kFrameBytes; ++i)
        frame[i] = wire[i];
    return frame;
}

inline std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

} // namespace tm47::test
