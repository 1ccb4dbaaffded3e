#include "instrument/frame_decoder.h"

#include <algorithm>
#include <cmath>

namespace tm47 {
namespace {

constexpr double kCountsToUnits = 4.8333;
constexpr double kStreamingReferenceStandard = 1.047;
constexpr double kStreamingReferenceHighPower = 1.152;

// Divisors of the four channels from the range code. The instrument sends field values 0, 1
// and 3 (divisor 1, 10, 100); the cascade is how the code has always been read, and it also
// decides what the unused field value 2 means.
std::array<int, 4> RangeDivisors(int c) {
    std::array<int, 4> divisor{1, 1, 1, 1};
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
    if (c == 3)
        divisor[3] = 100;
    else if (c == 1)
        divisor[3] = 10;
    return divisor;
}

struct LetterScaling {
    std::array<double, 4> factor;
    float nominalReference;
};

// High Power antenna rows; the nominal reference depends on which of the instrument's two
// reference levels this frame shows.
LetterScaling HighPowerScaling(int antenna, float reference) {
    if (antenna == 1)
        return {{1.72, 2.54, 3.74, 6.07}, reference >= 1650 ? 2230.0f : 1123.0f};
    if (antenna == 2)
        return {{1.33, 1.33 * 1.53, 1.33 * 2.257, 1.33 * 1.885},
                reference >= 2600 ? 3729.0f : 1920.0f};
    // Antenna 0 and 3; a value outside the list is read as the first antenna.
    return {{1.72, 2.54, 3.74, 6.07}, reference >= 1350 ? 1840.0f : 920.0f};
}

// Scales the channels by the letter's group and returns the nominal reference. Any variant
// other than 1 (High Power) is treated as Standard.
float ApplyLetterScaling(uint8_t letter, const Settings& settings, float reference,
                         std::array<float, 4>& channel) {
    const bool highPower = settings.instrumentVariant == 1;
    LetterScaling scaling;
    switch (letter) {
    case 'E':
    case 'P':
        scaling = {{0.9025, 1.363, 2.026795, 3.018856}, 1800.0f};
        break;
    case 'F':
    case 'Q':
    case 'J':
    case 'K':
    case 'j':
    case 'k':
        scaling = {{0.9025, 1.363, 2.043, 12.152}, 1800.0f};
        break;
    case 'D':
    case 'N':
        if (settings.antenna == 0) {
            // Channel 4 correction of the first antenna for the differential readings.
            channel[3] = static_cast<float>(highPower ? channel[3] * 1.114 * 1.112
                                                      : channel[3] * 1.114 / 1.112);
        }
        scaling = highPower ? HighPowerScaling(settings.antenna, reference)
                            : LetterScaling{{2, 2, 2, 4}, 3000.0f};
        break;
    default: // T, M
        scaling = highPower ? HighPowerScaling(settings.antenna, reference)
                            : LetterScaling{{2, 2, 2, 2}, 3000.0f};
        break;
    }
    for (int i = 0; i < 4; ++i)
        channel[i] = static_cast<float>(channel[i] * scaling.factor[i]);
    return scaling.nominalReference;
}

// A ring index outside the window can only come from a fault elsewhere; the ring then starts
// over at slot 0 rather than writing outside it.
int32_t SafeRingIndex(int32_t ringIndex) {
    return ringIndex >= 0 && ringIndex < kNormalisationWindow ? ringIndex : 0;
}

// Bytes 10-13 of the frame buffer after decoding: the integer part of the mean, its
// hundredths as a byte (read back signed), and 0.
void WriteMeanIntoFrame(float mean, FrameBuffer& frame) {
    // The mean of 16-bit values stays inside the 16-bit range; clamp so the conversion below
    // is defined whatever the ring holds.
    const float clamped = std::isnan(mean) ? 0.0f : std::clamp(mean, -32768.0f, 32767.0f);
    const int16_t whole = static_cast<int16_t>(static_cast<int32_t>(clamped));
    const int32_t hundredths = static_cast<int32_t>((clamped - whole) * 100.0f);
    const uint16_t bits = static_cast<uint16_t>(whole);
    frame[kFrameReference] = static_cast<uint8_t>(bits >> 8);
    frame[kFrameReference + 1] = static_cast<uint8_t>(bits & 0xFF);
    frame[kFrameBattery] = static_cast<uint8_t>(hundredths & 0xFF);
    frame[kFrameFirstTerminator] = 0;
}

} // namespace

float CalibrateChannels(const uint8_t* bytes, const Settings& settings, float reference,
                        std::array<float, 4>& channel) {
    const std::array<int, 4> divisor = RangeDivisors(bytes[kFrameRangeCode]);
    for (int i = 0; i < 4; ++i) {
        const auto raw = static_cast<int16_t>(static_cast<uint16_t>(
            (bytes[kFrameChannel1 + 2 * i] << 8) | bytes[kFrameChannel1 + 2 * i + 1]));
        channel[i] = static_cast<float>(raw * kCountsToUnits / divisor[i]);
    }
    return ApplyLetterScaling(bytes[kFrameLetter], settings, reference, channel);
}

void DecodeFrame(FrameBuffer& frame, const Settings& settings, int linkMode,
                 ReadingState readingState, NormalisationState& normalisation, Reading& reading) {
    // Reference; in streaming mode the instrument's reference runs high by a fixed ratio.
    double reference = FrameInt16(frame, kFrameReference);
    if (linkMode == kLinkStreaming)
        reference /= settings.instrumentVariant == 1 ? kStreamingReferenceHighPower
                                                     : kStreamingReferenceStandard;
    reading.reference = static_cast<float>(reference);

    // Fields, range divisors and counts to units.
    reading.letter = frame[kFrameLetter];
    reading.rangeCode = frame[kFrameRangeCode];
    reading.battery = frame[kFrameBattery];
    // Letter scaling and the nominal reference.
    const float nominal =
        CalibrateChannels(frame.data(), settings, reading.reference, reading.channel);

    // Running mean of the reference and the gain that brings it to the nominal value.
    NormalisationState& n = normalisation;
    const int32_t slot = SafeRingIndex(n.ringIndex);
    n.referenceSum -= n.referenceRing[slot];
    n.referenceRing[slot] = reading.reference;
    n.ringIndex = slot + 1 == kNormalisationWindow ? 0 : slot + 1;
    n.referenceSum += reading.reference;
    n.referenceMean = n.referenceSum / kNormalisationWindow;
    // A mean of zero or below (no reference signal) would give an infinite or negative gain;
    // the channels are then passed on unnormalised.
    n.normalisationGain = n.referenceMean > 0.0f ? nominal / n.referenceMean : 1.0f;

    // Nulling and QC-coil averaging work on the plain calibrated values.
    if (readingState == ReadingState::Nulling || readingState == ReadingState::QcAveraging)
        return;

    // Null, normalise, and leave the mean in the frame for the record.
    for (int i = 0; i < 4; ++i)
        reading.channel[i] = (reading.channel[i] - n.nullOffsets[i]) * n.normalisationGain;
    WriteMeanIntoFrame(n.referenceMean, frame);
}

int PrimeNormalisation(const FrameBuffer& frame, NormalisationState& normalisation) {
    NormalisationState& n = normalisation;
    const int32_t slot = SafeRingIndex(n.ringIndex);
    n.referenceRing[slot] = static_cast<float>(FrameInt16(frame, kFrameReference));
    n.ringIndex = slot + 1;
    if (n.ringIndex < kNormalisationWindow)
        return n.ringIndex * 100 / kNormalisationWindow;
    n.referenceSum = 0.0f;
    for (float value : n.referenceRing)
        n.referenceSum += value;
    n.ringIndex = 0;
    return 100;
}

} // namespace tm47
