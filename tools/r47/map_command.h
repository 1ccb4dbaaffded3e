#pragma once
// r47 map: a plan view of one file as SVG, the picture a field crew looks at before leaving
// the site: each line's GPS track, the readings coloured by one channel on a perceptually
// uniform scale with its legend, line names at the line ends, a north arrow and a scale bar
// in metres. The file is read three times (bounds, tracks, points) so memory stays flat.

#include <array>
#include <cstdio>
#include <string>

namespace r47 {

// Colour for t in 0..1 on a perceptually uniform scale (viridis anchors), as "#rrggbb".
std::string ScaleColour(double t);
// A round length for a scale bar no longer than `maxMetres`: 1, 2 or 5 times a power of 10.
double ScaleBarMetres(double maxMetres);

// Exit status as for export.
int RunMap(const std::string& file, int channel, double maxGapS, double lagS, std::FILE* out,
           std::FILE* err);

} // namespace r47
