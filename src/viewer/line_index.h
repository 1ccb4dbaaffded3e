#pragma once
// The viewer's way into a stored data file, in three steps:
//  1. BuildLineList scans the file once and notes where each survey line ("L" record) begins;
//     the names fill the line combo box.
//  2. BuildLineIndex decodes one survey line into "Storage\TALINI\LINE.TMP": one fixed-length
//     text row per point (station and four channel values), gap rows for station jumps ("S")
//     and markers ("X").
//  3. LoadIndexWindow reads a run of consecutive rows into the point window, one slot per
//     screen column, with one seek and a sequential read and no decoding.
//
// Data files come from the field and may be cut short, not a whole number of records long, or
// not data files at all. They are read only in whole 24-byte records; a short read is the end
// of the file, and whatever comes before it is shown. Every survey line of the file is listed,
// however many there are.
//
// Index rows are exactly 61 bytes: five fields of 12 characters, then LF. A point row holds
// the station and the channels as "%12.2f"; a value too wide for that (a garbage record can
// decode to 1e11) is written as "%12.4e" instead, so no row ever grows and shifts the rows
// after it. A gap row holds -1 and four times -9999 as "%12d" and is the only kind of row
// without a ".".
//
// Everything here runs on the GUI thread; the state lives in the caller's structs.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "config/settings.h"
#include "datafile/record_parser.h"
#include "platform/device_root.h"

namespace tm47 {

inline constexpr std::string_view kLineIndexFile = "Storage\\TALINI\\LINE.TMP";
inline constexpr std::size_t kIndexFieldWidth = 12;
inline constexpr std::size_t kIndexRowLength = 5 * kIndexFieldWidth + 1; // 61
// A line name is the "L" record's text up to its first space, at most 8 characters.
inline constexpr std::size_t kLineNameMax = 8;
// Point window slots, indexed by screen column (the viewer uses 1..plot columns).
inline constexpr int32_t kPointWindowSlots = 320;

// What the operator is told when the index file cannot be opened for reading.
inline constexpr std::string_view kIndexOpenFailedText = "invalid handle";
inline constexpr std::string_view kIndexOpenFailedCaption = "IHV";
// ... and when it cannot be created; the system's reason follows on a second line.
inline constexpr std::string_view kIndexCreateFailedText = "Cannot create LINE.TMP";
inline constexpr std::string_view kIndexCreateFailedCaption = "View Files";

// The survey lines of the open data file, in file order. Entry i is combo box entry i and
// survey line i + 1.
struct LineTable {
    std::vector<int64_t> lineStart;       // byte offset of the line's "L" record
    std::vector<std::u16string> lineName; // the combo box text
    int32_t LineCount() const { return static_cast<int32_t>(lineStart.size()); }
};

// Scans `dataFile` from its start in whole records. The file position is left at the end.
LineTable BuildLineList(std::FILE* dataFile);

// The line name of an "L" record: positions 1..8 up to the first space (or control byte, which
// no typed name holds), as Latin-1.
std::u16string LineNameOf(const char* record);

// Decodes survey line `line` (1-based) of `dataFile` into the index file at `indexPath`
// (created or truncated) and returns the number of rows written, `indexRowCount`. A line
// number outside the table gives an empty index. The offset order read from the line header
// is stored into `offsetOrder`, the program-wide choice that later decoding follows too.
// A file that cannot be created gives 0 rows, a note on standard error and, in `error` when
// given, the system's reason; the old file, if any, is then left as it was.
int64_t BuildLineIndex(std::FILE* dataFile, const LineTable& lines, int32_t line,
                       const Settings& settings, OffsetOrder& offsetOrder,
                       const std::filesystem::path& indexPath, std::string* error = nullptr);
// The same into "Storage\TALINI\LINE.TMP" under `root`.
int64_t BuildLineIndex(std::FILE* dataFile, const LineTable& lines, int32_t line,
                       const Settings& settings, OffsetOrder& offsetOrder, const DeviceRoot& root,
                       std::string* error = nullptr);

// The rows themselves (exactly kIndexRowLength bytes each, ending in LF).
std::string PointRow(double station, const std::array<float, 4>& channel);
std::string GapRow();

// The viewer's points, one slot per screen column: `pointChannel[0]` to `pointChannel[3]` are
// channels 1 to 4.
struct PointWindow {
    std::array<int32_t, kPointWindowSlots> pointValid{};
    std::array<float, kPointWindowSlots> pointStation{};
    std::array<std::array<float, kPointWindowSlots>, 4> pointChannel{};
};

// Fills slots `first`..`last` (inclusive; slots outside 0..319 are left out) from the index
// rows `firstRow`, `firstRow` + 1, ... (rows count from 1). A slot whose row is missing, short
// or a gap row is invalid. Returns false when the index file could not be opened; every slot
// of the range is then invalid and the caller shows kIndexOpenFailedText / Caption.
bool LoadIndexWindow(PointWindow& window, int32_t first, int32_t last, int64_t firstRow,
                     const std::filesystem::path& indexPath);
bool LoadIndexWindow(PointWindow& window, int32_t first, int32_t last, int64_t firstRow,
                     const DeviceRoot& root);

// One row read back: valid when it is kIndexRowLength bytes and holds a ".".
struct IndexPoint {
    bool valid = false;
    float station = 0.0f;
    std::array<float, 4> channel{};
};
IndexPoint ParseIndexRow(std::string_view row);

} // namespace tm47
