#include "sim/survey_field.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tm47 {

namespace {

constexpr double kCountScale = 4.8333;
constexpr double kTargetCell = 12.0; // meters of line per possible target

uint64_t SplitMix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

double Uniform(uint64_t seed, int64_t cell, int salt) {
    const uint64_t h = SplitMix(seed ^ SplitMix(static_cast<uint64_t>(cell) * 16 + salt));
    return static_cast<double>(h >> 11) / static_cast<double>(1ull << 53);
}

} // namespace

WireFrame EncodeFrame(const FrameFields& f) {
    WireFrame w{};
    w[0] = static_cast<uint8_t>(f.letter);
    w[1] = f.rangeCode;
    for (int i = 0; i < 4; ++i) {
        const auto v = static_cast<uint16_t>(f.raw[i]);
        w[2 + 2 * i] = static_cast<uint8_t>(v >> 8);
        w[3 + 2 * i] = static_cast<uint8_t>(v & 0xFF);
    }
    const auto ref = static_cast<uint16_t>(f.reference);
    w[10] = static_cast<uint8_t>(ref >> 8);
    w[11] = static_cast<uint8_t>(ref & 0xFF);
    w[12] = f.battery;
    w[13] = 0x7F;
    w[14] = 0x7F;
    return w;
}

char ForwardLetter(bool differential, bool alternateSet) {
    if (alternateSet) {
        return differential ? 'F' : 'E';
    }
    return differential ? 'D' : 'T';
}

char BackwardLetter(bool differential) {
    return differential ? 'J' : 'j';
}

char TriggeredLetter(char letter) {
    switch (letter) {
    case 'T':
        return 'M';
    case 'D':
        return 'N';
    case 'E':
        return 'P';
    case 'F':
        return 'Q';
    case 'J':
        return 'K';
    case 'j':
        return 'k';
    default:
        return letter; // already a triggered letter
    }
}

std::array<double, 4> LetterFactors(char letter, bool highPower, int antenna) {
    switch (letter) {
    case 'E':
    case 'P':
        return {0.9025, 1.363, 2.026795, 3.018856};
    case 'F':
    case 'Q':
    case 'J':
    case 'K':
    case 'j':
    case 'k':
        return {0.9025, 1.363, 2.043, 12.152};
    default:
        break;
    }
    const bool dn = letter == 'D' || letter == 'N';
    std::array<double, 4> f{};
    if (!highPower) {
        f = dn ? std::array<double, 4>{2, 2, 2, 4} : std::array<double, 4>{2, 2, 2, 2};
    } else if (antenna == 2) {
        f = {1.33, 1.33 * 1.53, 1.33 * 2.257, 1.33 * 1.885};
    } else {
        f = {1.72, 2.54, 3.74, 6.07};
    }
    if (dn && antenna == 0) {
        f[3] *= highPower ? 1.114 * 1.112 : 1.114 / 1.112;
    }
    return f;
}

double NominalReference(char letter, bool highPower, int antenna) {
    switch (letter) {
    case 'E':
    case 'P':
    case 'F':
    case 'Q':
    case 'J':
    case 'K':
    case 'j':
    case 'k':
        return 1800;
    default:
        break;
    }
    if (!highPower) {
        return 3000;
    }
    switch (antenna) {
    case 1:
        return 2230;
    case 2:
        return 3729;
    default:
        return 1840;
    }
}

double StreamingReferenceFactor(bool highPower) {
    return highPower ? 1.152 : 1.047;
}

void EncodeChannels(const std::array<double, 4>& values, const std::array<double, 4>& factors,
                    std::array<int16_t, 4>& raw, uint8_t& rangeCode) {
    static constexpr int kShift[4] = {6, 4, 2, 0};
    rangeCode = 0;
    for (int i = 0; i < 4; ++i) {
        const double counts = values[i] / (kCountScale * factors[i]);
        double chosen = std::clamp(std::round(counts), -32768.0, 32767.0);
        int field = 0;
        if (std::abs(std::round(counts * 100)) <= 32767) {
            chosen = std::round(counts * 100);
            field = 3;
        } else if (std::abs(std::round(counts * 10)) <= 32767) {
            chosen = std::round(counts * 10);
            field = 1;
        }
        raw[i] = static_cast<int16_t>(chosen);
        rangeCode = static_cast<uint8_t>(rangeCode | (field << kShift[i]));
    }
}

uint8_t BatteryByte(double volts) {
    const double b = std::round(volts * 6.66757);
    return static_cast<uint8_t>(std::clamp(b, 0.0, 255.0));
}

std::array<double, 5> QcReferenceRow(int row) {
    static constexpr std::array<std::array<double, 5>, 4> kRows = {{
        {4608, 3574, 2096, 784, 708},
        {694, 533, 319, 120, 81},
        {3935, 3660, 2486, 1235, 386},
        {1052, 929, 644, 320, 64.2},
    }};
    return kRows[static_cast<std::size_t>(std::clamp(row, 0, 3))];
}

SurveyField::SurveyField(uint32_t seed) : seed_(SplitMix(seed)), rng_(seed) {
    for (int i = 0; i < 4; ++i) {
        phase_[i] = 2 * std::numbers::pi * Uniform(seed_, -1, i);
    }
}

std::array<double, 4> SurveyField::TargetResponse(double position, bool differential) const {
    // Later time gates see less of a target; how much less depends on its decay time.
    static constexpr double kGateMs[4] = {0.2, 0.45, 0.9, 1.8};
    std::array<double, 4> out{};
    const auto cell = static_cast<int64_t>(std::floor(position / kTargetCell));
    for (int64_t k = cell - 1; k <= cell + 1; ++k) {
        if (Uniform(seed_, k, 0) > 0.6) {
            continue; // no target in this cell
        }
        const double at = k * kTargetCell + 1 + 10 * Uniform(seed_, k, 1);
        const double depth = 0.3 + 0.9 * Uniform(seed_, k, 2);
        const double amplitude = 300 + 2700 * Uniform(seed_, k, 3);
        const double tau = 0.3 + 1.7 * Uniform(seed_, k, 4);
        const double d = position - at;
        const double shape = std::pow(depth * depth / (depth * depth + d * d), 1.5);
        for (int i = 0; i < 4; ++i) {
            out[i] += amplitude * shape * std::exp(-(kGateMs[i] - kGateMs[0]) / tau);
        }
    }
    if (differential) {
        out[3] *= 0.4; // the top coil sees nearly as much as the bottom one
    }
    return out;
}

std::array<double, 4> SurveyField::Sample(double position, double seconds, bool differential) {
    static constexpr double kOffset[4] = {40, 25, 12, 6};
    static constexpr double kDrift[4] = {8, 5, 3, 1.5};
    static constexpr double kNoise[4] = {1.2, 0.8, 0.5, 0.3};
    std::array<double, 4> v = TargetResponse(position, differential);
    for (int i = 0; i < 4; ++i) {
        const double drift =
            kDrift[i] * (0.7 * std::sin(2 * std::numbers::pi * seconds / 301 + phase_[i]) +
                         0.3 * std::sin(2 * std::numbers::pi * seconds / 73 + 2 * phase_[i]));
        std::normal_distribution<double> noise(0.0, kNoise[i]);
        v[i] += kOffset[i] * (differential && i == 3 ? 0.3 : 1.0) + drift + noise(rng_);
    }
    return v;
}

double SurveyField::ReferenceJitter() {
    std::normal_distribution<double> noise(0.0, 0.001);
    return noise(rng_);
}

} // namespace tm47
