#pragma once
// What the simulated instrument measures and how it puts it on the wire.
//
// Values are made in the instrument's calibrated units, the units the logger shows after
// decoding, and only then turned into raw counts with the same letter scaling and range
// divisors the logger's decoder undoes. So a buried target, the QC-coil response and the
// background come out of the logger at the size they were made here.
//
// The wire frame is 15 bytes: letter, range code, four signed 16-bit channels and the
// signed 16-bit reference (most significant byte first), battery, 0x7F, 0x7F. Nothing keeps
// the payload away from letters or 0x7F: any byte value may appear there, as on the real line.

#include <array>
#include <cstdint>
#include <random>

namespace tm47 {

inline constexpr std::size_t kWireFrameSize = 15;
using WireFrame = std::array<uint8_t, kWireFrameSize>;

struct FrameFields {
    char letter = 'T';
    uint8_t rangeCode = 0;
    std::array<int16_t, 4> raw{};
    int16_t reference = 0;
    uint8_t battery = 0;
};

WireFrame EncodeFrame(const FrameFields& fields);

// Letters: forward readings T (four-channel) or D (differential), E or F on the alternative
// set; backward wheel readings j (four-channel) or J (differential). A held trigger turns
// each into its triggered partner: T/M, D/N, E/P, F/Q, J/K, j/k.
char ForwardLetter(bool differential, bool alternateSet);
char BackwardLetter(bool differential);
char TriggeredLetter(char letter);

// The instrument's scaling of each channel for a letter (calibrated value = counts x 4.8333
// x factor / range divisor), and the nominal reference it aims its reference value at.
std::array<double, 4> LetterFactors(char letter, bool highPower, int antenna);
double NominalReference(char letter, bool highPower, int antenna);
// Streaming delivery scales the reference up by this; the logger divides it out again.
double StreamingReferenceFactor(bool highPower);

// Raw counts and the range code for four calibrated values: each channel takes the finest
// range divisor (100, 10, 1) that keeps its count within a signed 16-bit number.
void EncodeChannels(const std::array<double, 4>& values, const std::array<double, 4>& factors,
                    std::array<int16_t, 4>& raw, uint8_t& rangeCode);

// Battery byte for a voltage (volts x 6.66757, clamped to 0..255).
uint8_t BatteryByte(double volts);

// The QC coil's response per reference row (2 x kind + antenna, 0..3): channels 1 to 4 and
// channel 4 as the differential letters show it. The instrument answers with the negative.
std::array<double, 5> QcReferenceRow(int row);

// Background and buried targets along the survey line. The background drifts slowly and
// carries a little noise; targets sit at fixed places (a deterministic function of the seed),
// so walking back over a target shows it again.
class SurveyField {
public:
    explicit SurveyField(uint32_t seed);
    // The four channels at `position` (meters along the line) and `seconds` since start.
    std::array<double, 4> Sample(double position, double seconds, bool differential);
    // The noise-free target part alone, for tests and for choosing where to stand.
    std::array<double, 4> TargetResponse(double position, bool differential) const;
    // Relative noise for the reference value (about one part in a thousand).
    double ReferenceJitter();

private:
    uint64_t seed_;
    std::mt19937 rng_;
    std::array<double, 4> phase_{};
};

} // namespace tm47
