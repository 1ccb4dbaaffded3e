#include "profile/profile_scale.h"

#include <cmath>
#include <limits>

#include "platform/c_numbers.h"

namespace tm47 {

namespace {

// Truncation toward zero into a pixel row. Values beyond the 32-bit range saturate instead of
// being undefined; NaN has no row.
int32_t TruncateToRow(double value) {
    if (std::isnan(value)) {
        return kRowNotANumber;
    }
    if (value >= 2147483647.0) {
        return std::numeric_limits<int32_t>::max();
    }
    if (value <= -2147483648.0) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(value);
}

void FourEvenLines(GridLines& grid, int32_t height) {
    const double h = height;
    const double h1 = static_cast<double>(height) + 1.0;
    grid.rows[0] = TruncateToRow(h - 0.2 * h1);
    grid.rows[1] = TruncateToRow(h - 0.4 * h1);
    grid.rows[2] = TruncateToRow(h - 0.6 * h1);
    grid.rows[3] = TruncateToRow(h - 0.8 * h1);
    grid.count = 4;
    grid.ratio = 0;
    grid.baseLinePenWidth = 1;
}

} // namespace

float CompressValue(float value, int32_t amplitudeMode) {
    if (amplitudeMode != kAmplitudeCompressed) {
        return value;
    }
    const float root = static_cast<float>(std::sqrt(std::fabs(static_cast<double>(value))));
    return value < 0.0f ? -root : root;
}

std::array<float, 4> CompressValues(const std::array<float, 4>& values, int32_t amplitudeMode) {
    std::array<float, 4> out{};
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = CompressValue(values[i], amplitudeMode);
    }
    return out;
}

int32_t ValueToRow(float value, float scaleMax, float pixelsPerUnit) {
    const float row = (scaleMax - value) * pixelsPerUnit;
    return TruncateToRow(row);
}

std::array<int32_t, 4> ValuesToRows(const std::array<float, 4>& values, float scaleMax,
                                    float pixelsPerUnit) {
    std::array<int32_t, 4> out{};
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = ValueToRow(values[i], scaleMax, pixelsPerUnit);
    }
    return out;
}

float ProfilePixelsPerUnit(int32_t height, float scaleMin, float scaleMax) {
    const float h = static_cast<float>(height);
    float range = scaleMax - scaleMin;
    if (!(range > 0.0f)) {
        range = (scaleMin + 100.0f) - scaleMin;
    }
    float ppu = h / range;
    if (!std::isfinite(ppu)) {
        ppu = h / 100.0f;
    }
    return ppu;
}

GridLines BuildGrid(float scaleMin, float scaleMax, float pixelsPerUnit, int32_t height) {
    GridLines grid;
    const bool zeroInside = scaleMin < 0.0f && scaleMax > 0.0f;
    if (!zeroInside) {
        FourEvenLines(grid, height);
        return grid;
    }

    const float zeroRow = scaleMax * pixelsPerUnit;
    const int32_t z = TruncateToRow(zeroRow);
    grid.rows[0] = z;

    // The side ratio picks the step; a zero line on row 0 or row `height` has one side of
    // zero pixels and counts as a ratio above 4.
    const bool upperLarger = z >= height / 2;
    const double larger = upperLarger ? std::fabs(scaleMax) : std::fabs(scaleMin);
    const double smaller = upperLarger ? std::fabs(scaleMin) : std::fabs(scaleMax);
    const int64_t numerator = upperLarger ? z : static_cast<int64_t>(height) - z;
    const int64_t denominator = upperLarger ? static_cast<int64_t>(height) - z : z;
    int ratio = 5;
    if (denominator != 0) {
        const float quotient = static_cast<float>(numerator) / static_cast<float>(denominator);
        const double rounded = static_cast<double>(quotient) + 0.5;
        if (std::isnan(rounded) || rounded < 1.0) {
            ratio = 0;
        } else if (rounded < 5.0) {
            ratio = static_cast<int>(rounded);
        }
    }
    if (ratio <= 0) {
        FourEvenLines(grid, height);
        return grid;
    }

    double step = 0.0;
    if (ratio > 4) {
        step = larger / 5.0;
    } else if (ratio >= 2) {
        step = larger / ratio;
    } else {
        step = smaller / 4.0;
    }

    const double max = scaleMax;
    const double ppu = pixelsPerUnit;
    int count = 1;
    for (int k = 1; count < static_cast<int>(kMaxGridLines); ++k) {
        const int32_t row = TruncateToRow((max - k * step) * ppu);
        if (row <= 0) {
            break;
        }
        grid.rows[static_cast<std::size_t>(count++)] = row;
    }
    for (int k = 1; count < static_cast<int>(kMaxGridLines); ++k) {
        const int32_t row = TruncateToRow((max + k * step) * ppu);
        if (row >= height) {
            break;
        }
        grid.rows[static_cast<std::size_t>(count++)] = row;
    }
    grid.count = count;
    grid.ratio = ratio;
    grid.baseLinePenWidth = 2;
    return grid;
}

GridLines BuildGrid(const Settings& settings) {
    return BuildGrid(settings.profileScaleMin, settings.profileScaleMax,
                     settings.profilePixelsPerUnit, settings.profilePlotHeight);
}

std::u16string FormatScaleLimit(float limit) {
    const std::string text = PrintfFixed(static_cast<double>(limit), 0, 0);
    return std::u16string(text.begin(), text.end());
}

namespace {

// The leading number of a field, as the C library reads it.
float ScaleFieldValue(std::u16string_view text) {
    const float value = NarrowToFloat(StrtodLike(text));
    return std::isfinite(value) ? value : 0.0f;
}

} // namespace

ScaleEntry ScaleFromEntry(std::u16string_view minimumText, std::u16string_view maximumText) {
    ScaleEntry entry;
    entry.scaleMin = ScaleFieldValue(minimumText);
    entry.scaleMax = ScaleFieldValue(maximumText);
    if (!(entry.scaleMax > entry.scaleMin)) {
        entry.scaleMax = entry.scaleMin + 100.0f;
    }
    return entry;
}

void ApplyScaleEntry(Settings& settings, std::u16string_view minimumText,
                     std::u16string_view maximumText) {
    const ScaleEntry entry = ScaleFromEntry(minimumText, maximumText);
    settings.profileScaleMin = entry.scaleMin;
    settings.profileScaleMax = entry.scaleMax;
    settings.profilePixelsPerUnit =
        ProfilePixelsPerUnit(settings.profilePlotHeight, entry.scaleMin, entry.scaleMax);
}

} // namespace tm47
