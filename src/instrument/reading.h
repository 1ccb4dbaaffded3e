#pragma once
// One decoded frame, the reading state, and the running reference mean that normalises the
// channels. Each exists once in a running logger; the GUI thread owns them (the reader thread
// that filled the frame buffer waits while the GUI thread decodes it).

#include <array>
#include <cstdint>

namespace tm47 {

struct Reading {
    uint8_t letter = 0;     // frame byte 0
    uint16_t rangeCode = 0; // frame byte 1 (0..255)
    // Calibrated values; nulled and normalised except while nulling or QC-coil averaging.
    std::array<float, 4> channel{};
    float reference = 0.0f; // frame bytes 10-11, after the streaming correction
    int32_t battery = 0;    // frame byte 12; volts = battery / 6.66757
};

// Reading state: what the next frame is for. ReadingProcessor holds it and alone changes it;
// the others ask it for a named transition. The values are fixed only so that a printed state
// reads the same everywhere.
enum class ReadingState : int8_t {
    QcEvaluation = -3,
    QcAveraging = -2,
    Nulling = -1,
    Normalising = 0,
    Normal = 1,
};

inline constexpr int kNormalisationWindow = 98; // readings in the reference mean

struct NormalisationState {
    std::array<float, kNormalisationWindow> referenceRing{}; // last 98 reference values
    int32_t ringIndex = 0;              // next slot 0..97; 0 again when a session ends
    float referenceSum = 0.0f;          // sum of the ring
    float referenceMean = 0.0f;         // referenceSum / 98
    float normalisationGain = 1.0f;     // nominal reference / referenceMean
    std::array<float, 4> nullOffsets{}; // set by nulling
};

} // namespace tm47
