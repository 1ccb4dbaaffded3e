#pragma once
// r47 export: every reading of the files, in file order, with its position.

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "export_formats.h"

namespace r47 {

struct ExportOptions {
    ExportFormat format = ExportFormat::Csv;
    double maxGapS = 5.0;
    double lagS = 0.0;
    std::optional<double> utcOffsetHours; // overrides the offset found from the fixes
};

// The local time minus UTC, in ms, rounded to the nearest 15 minutes, from a fix's UTC time of
// day against the local time of its tick; taken within -12 h (exclusive) to +14 h.
int64_t UtcOffsetMs(int64_t localTodMs, int64_t utcTodMs);

// Exit status: 0 all read, 1 something skipped (named on `err`), 2 a file could not be read.
int RunExport(const std::vector<std::string>& files, const ExportOptions& options, std::FILE* out,
              std::FILE* err);

// One pass over `file` with positions, each reading handed to `sink` in file order; the map,
// the tests and the export use it. The counts say what was left out and why.
struct PositionPass {
    WalkResult walk;
    FileFacts facts;
    int64_t outsideLines = 0; // readings before any survey line
    int64_t unplaced = 0;     // readings the line walk took as header or offset records
    int64_t gpsProblems = 0;
    std::optional<int64_t> utcOffsetMs;
};
PositionPass
WalkWithPositions(const std::string& file, double maxGapS, double lagS,
                  const std::function<void(const PositionedRow&, const PositionPass&)>& sink,
                  const std::function<void(const FileFacts&)>& onFacts = {});

} // namespace r47
