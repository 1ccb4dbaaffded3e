#pragma once
// The instrument's frame as it travels on the wire and as the reader threads hand it on.
//
// On the wire a frame is 15 bytes: a leading letter, 12 payload bytes and the terminator
// 0x7F 0x7F. The reader keeps the first 14 of them (letter up to and including the first
// 0x7F) in the frame buffer, followed by a 0 byte. Byte layout of the 14 bytes:
//   0      leading letter
//   1      range code (four 2-bit divisor fields, channel 1 in bits 7-6)
//   2..9   channel 1..4 raw, signed 16-bit, most significant byte first
//   10..11 reference value, signed 16-bit, most significant byte first
//   12     battery (volts = value / 6.66757)
//   13     0x7F, the first terminator
// After decoding, bytes 10..13 hold the running reference mean instead (see frame_decoder.h).

#include <array>
#include <bit>
#include <cstdint>

namespace tm47 {

// The last complete frame: 14 frame bytes, a 0 byte, one spare byte.
using FrameBuffer = std::array<uint8_t, 16>;

inline constexpr int kFrameBytes = 14;      // bytes kept in the frame buffer
inline constexpr int kWireFrameLength = 15; // bytes on the wire
inline constexpr uint8_t kFrameTerminator = 0x7F;
inline constexpr int kFrameAssemblyLimit = 180; // highest index the assembly keeps
inline constexpr int kAssemblyBufferSize = 182; // bytes the assembly can hold
inline constexpr uint8_t kPollByte = 'A';

// Offsets inside the frame buffer.
inline constexpr int kFrameLetter = 0;
inline constexpr int kFrameRangeCode = 1;
inline constexpr int kFrameChannel1 = 2; // channel n (0-based) at 2 + 2n
inline constexpr int kFrameReference = 10;
inline constexpr int kFrameBattery = 12;
inline constexpr int kFrameFirstTerminator = 13;

// Streaming frame period in ms. The logger has always used this exact float (bits
// 0x425C5017, a hair above the nearest float to 55.07821); the reading-cycle arithmetic of the
// settings depends on it, so it is pinned by its bit pattern.
inline constexpr float kFramePeriodMs = std::bit_cast<float>(uint32_t{0x425C5017});
static_assert(kFramePeriodMs > 55.0782f && kFramePeriodMs < 55.0783f);

// The twelve letters a frame may start with. T, D, E, F, J, j are untriggered; M, N, P, Q, K,
// k are the same readings with the instrument's trigger pressed.
constexpr bool IsLeadingLetter(uint8_t byte) {
    switch (byte) {
    case 'T':
    case 'D':
    case 'E':
    case 'F':
    case 'M':
    case 'N':
    case 'P':
    case 'Q':
    case 'J':
    case 'K':
    case 'j':
    case 'k':
        return true;
    default:
        return false;
    }
}

// Signed 16-bit value stored most significant byte first at `offset`.
constexpr int16_t FrameInt16(const FrameBuffer& frame, int offset) {
    return static_cast<int16_t>(static_cast<uint16_t>((frame[offset] << 8) | frame[offset + 1]));
}

} // namespace tm47
