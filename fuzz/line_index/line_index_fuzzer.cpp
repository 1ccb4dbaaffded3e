// Feeds arbitrary bytes to the viewer as a data file: the line list, the index of every line
// (at most the first 4, to keep runs short) and index windows over them. Whatever the bytes,
// the index must be a whole number of 61-byte rows, each a point row (with a ".") or the gap
// row, and windows read from it must stay inside the point arrays.

#include "viewer/line_index.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "fuzz/fuzz_support.h"

namespace {

namespace fs = std::filesystem;
using tm47::fuzz::Check;

const fs::path& Root() {
    return tm47::fuzz::RunDirectory("tm47-fuzz-line-index");
}

void CheckIndex(const std::string& index, int64_t rows) {
    Check(index.size() == static_cast<std::size_t>(rows) * tm47::kIndexRowLength);
    const std::string gap = tm47::GapRow();
    for (std::size_t at = 0; at < index.size(); at += tm47::kIndexRowLength) {
        const std::string_view row(index.data() + at, tm47::kIndexRowLength);
        Check(row.back() == '\n' && (row == gap || row.find('.') != std::string_view::npos));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const tm47::DeviceRoot root(Root());
    const fs::path dataPath = Root() / "FUZZ.R47";
    tm47::fuzz::WriteFileBytes(dataPath, data, size);
    std::FILE* dataFile = std::fopen(dataPath.c_str(), "rb");
    Check(dataFile != nullptr);

    // The first byte picks the instrument variant and antenna, which change the decoding.
    tm47::Settings settings;
    if (size > 0) {
        settings.instrumentVariant = data[0] & 1;
        settings.antenna = (data[0] >> 1) & 3;
    }

    const tm47::LineTable lines = tm47::BuildLineList(dataFile);
    Check(lines.lineName.size() == lines.lineStart.size() &&
          static_cast<std::size_t>(lines.LineCount()) <= size / tm47::kRecordLength);
    tm47::OffsetOrder order = tm47::OffsetOrder::BeforeNormalising;
    tm47::PointWindow window;
    for (int32_t line = 0; line <= lines.LineCount() + 1 && line <= 4; ++line) {
        const int64_t rows = tm47::BuildLineIndex(dataFile, lines, line, settings, order, root);
        CheckIndex(tm47::fuzz::FileBytes(root.Map(tm47::kLineIndexFile)), rows);
        for (int64_t firstRow : {rows - 3, rows + 1}) {
            Check(tm47::LoadIndexWindow(window, 1, 318, firstRow, root)); // just written
            for (int32_t s = 1; s <= 318; ++s) {
                const int64_t row = firstRow + (s - 1);
                Check(!window.pointValid[static_cast<std::size_t>(s)] || (row >= 1 && row <= rows));
            }
        }
    }
    std::fclose(dataFile);
    return 0;
}
