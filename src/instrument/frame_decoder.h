#pragma once
// Frame decoding: the frame buffer becomes a Reading of four calibrated channels.
//
// Every decoded frame also feeds its reference value into the 98-reading running mean, from
// which the normalisation gain follows, and the frame buffer's bytes 10-13 are rewritten so
// that the stored record carries that mean (integer part in bytes 10-11, hundredths in byte
// 12, read back as a signed byte) instead of the instantaneous value.

#include <array>
#include <cstdint>

#include "config/settings.h"
#include "instrument/frame.h"
#include "instrument/reading.h"

namespace tm47 {

// Link modes from the handshake.
inline constexpr int kLinkStreaming = 0;
inline constexpr int kLinkPolled = 1;

// The calibrated channel values of a frame's first ten bytes (letter, range code, four raw
// channels): range divisors, counts to units and the letter's scaling, before nulling and
// normalising. Returns the nominal reference for `reference`, on which the High Power rows
// depend. Stored reading records are read back through the same rules.
float CalibrateChannels(const uint8_t* bytes, const Settings& settings, float reference,
                        std::array<float, 4>& channel);

// Decodes `frame` into `reading` (every reading state but normalising). Uses the settings'
// instrumentVariant and antenna. While nulling or QC-coil averaging the channels are left
// unnulled and unnormalised and the frame buffer is not rewritten; the mean is updated always.
void DecodeFrame(FrameBuffer& frame, const Settings& settings, int linkMode,
                 ReadingState readingState, NormalisationState& normalisation, Reading& reading);

// While normalising: stores the frame's raw reference value in the ring instead of decoding.
// Returns how much of the window is filled, 0..100 percent; at 100 the sum is formed, the ring
// starts over at slot 0 and the caller's reading becomes normal.
int PrimeNormalisation(const FrameBuffer& frame, NormalisationState& normalisation);

} // namespace tm47
