#pragma once
// The amplitude axis of the profiles: one scale (`profileScaleMin` at the bottom row,
// `profileScaleMax` at the top) serves all four channels, the live profile and the viewer.
//
// Callers compress first and map second. The axis limits are never compressed: in compressed
// mode a maximum of 500 puts a raw value of 250000 at the top row. Mapping does not clip; a
// value above the maximum gives a negative row, one below the minimum a row beyond the plot
// height, and the drawing surface clips the lines.
//
// Everything here is pure arithmetic in the precisions the profiles have always used (single
// precision for the mapping and the zero line, double for the grid steps), so the live
// profile, its history redraw and the viewer put a value on the same row.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/settings.h"

namespace tm47 {

inline constexpr int32_t kAmplitudeLinear = 0;
inline constexpr int32_t kAmplitudeCompressed = 1;

// The grid has room for the base line and eight more lines.
inline constexpr std::size_t kMaxGridLines = 9;

// A value that is not a number has no row; it is put far above the plot and clipped away.
inline constexpr int32_t kRowNotANumber = INT32_MIN;

// Signed square root in compressed mode (400 -> 20, -400 -> -20, 0.25 -> 0.5); unchanged in
// any other mode.
float CompressValue(float value, int32_t amplitudeMode);
std::array<float, 4> CompressValues(const std::array<float, 4>& values, int32_t amplitudeMode);

// row = (maximum - value) x pixels per unit in single precision, truncated toward zero. Rows
// beyond the 32-bit range saturate (the surface clips them anyway); NaN gives kRowNotANumber.
int32_t ValueToRow(float value, float scaleMax, float pixelsPerUnit);
std::array<int32_t, 4> ValuesToRows(const std::array<float, 4>& values, float scaleMax,
                                    float pixelsPerUnit);

// Pixels per unit: (float) height / (maximum - minimum). A maximum not above the minimum is
// taken as minimum + 100, so the result is finite for any finite limits (and for a minimum so
// large that adding 100 changes nothing, height / 100).
float ProfilePixelsPerUnit(int32_t height, float scaleMin, float scaleMax);

struct GridLines {
    // rows[0] is the base line (the zero line when zero lies strictly inside the scale), then
    // the lines above zero, then those below; `count` of them are used (1..9).
    std::array<int32_t, kMaxGridLines> rows{};
    int count = 0;
    int baseLinePenWidth = 1; // 2 for a zero line, else 1; the other lines are always 1
    int ratio = 0;            // the side ratio r that chose the step; 0 for four even lines
};

// The grid of a plot `height` pixels high (row 0 at the top, row `height` at the bottom).
// Without zero strictly inside the scale: four evenly spaced lines. With it: the zero line and
// lines one step apart above and below it, as far as the plot reaches and at most nine in all.
// A zero line on row 0 or on row `height` (the side ratio would divide by zero) takes the step
// of a ratio above 4: the larger side / 5.
GridLines BuildGrid(float scaleMin, float scaleMax, float pixelsPerUnit, int32_t height);
GridLines BuildGrid(const Settings& settings);

// A limit as the scale dialog ("Enter Scale") shows it: "%.0f" in the C locale.
std::u16string FormatScaleLimit(float limit);

struct ScaleEntry {
    float scaleMin = 0.0f;
    float scaleMax = 0.0f;
};
// The limits the operator confirmed: each text's leading number (C library rule, C locale;
// text without a number gives 0) narrowed to single precision. A text that reads as infinity
// or NaN ("inf", "nan", "1e999") counts as having no number and gives 0, so the scale stays
// drawable. A maximum not above the minimum becomes minimum + 100.
ScaleEntry ScaleFromEntry(std::u16string_view minimumText, std::u16string_view maximumText);

// Confirms the dialog into the settings: the limits of ScaleFromEntry and the new pixels per
// unit for `profilePlotHeight`. Saving the file and clearing the live profile's previous-point
// flags are the caller's.
void ApplyScaleEntry(Settings& settings, std::u16string_view minimumText,
                     std::u16string_view maximumText);

} // namespace tm47
