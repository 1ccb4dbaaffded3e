// Feeds arbitrary bytes to the viewer as a data file: the line list, the index of every line
// (at most the first 4, to keep runs short) and index windows over them. Whatever the bytes,
// the index must be a whole number of 61-byte rows, each a point row (with a ".") or the gap
// row, and windows read from it must stay inside the point arrays.

#include "viewer/line_index.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct FuzzRoot {
    fs::path dir;
    FuzzRoot() {
        std::string tmpl = (fs::temp_directory_path() / "tm47-fuzz-line-index-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) {
            std::perror("line_index: mkdtemp");
            std::abort();
        }
        dir = tmpl;
    }
    ~FuzzRoot() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

const FuzzRoot& Root() {
    static const FuzzRoot root;
    return root;
}

std::string FileBytes(const fs::path& path) {
    std::string out;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) {
            out.append(buf, n);
        }
        std::fclose(f);
    }
    return out;
}

void CheckIndex(const std::string& index, int64_t rows) {
    if (index.size() != static_cast<std::size_t>(rows) * tm47::kIndexRowLength) {
        std::abort();
    }
    const std::string gap = tm47::GapRow();
    for (std::size_t at = 0; at < index.size(); at += tm47::kIndexRowLength) {
        const std::string_view row(index.data() + at, tm47::kIndexRowLength);
        if (row.back() != '\n' || (row != gap && row.find('.') == std::string_view::npos)) {
            std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const tm47::DeviceRoot root(Root().dir);
    const fs::path dataPath = Root().dir / "FUZZ.R47";
    if (std::FILE* f = std::fopen(dataPath.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        std::abort();
    }
    std::FILE* dataFile = std::fopen(dataPath.c_str(), "rb");
    if (!dataFile) {
        std::abort();
    }

    // The first byte picks the instrument variant and antenna, which change the decoding.
    tm47::Settings settings;
    if (size > 0) {
        settings.instrumentVariant = data[0] & 1;
        settings.antenna = (data[0] >> 1) & 3;
    }

    const tm47::LineTable lines = tm47::BuildLineList(dataFile);
    if (lines.lineName.size() != lines.lineStart.size() ||
        static_cast<std::size_t>(lines.LineCount()) > size / tm47::kRecordLength) {
        std::abort();
    }
    tm47::OffsetOrder order = tm47::OffsetOrder::BeforeNormalising;
    tm47::PointWindow window;
    for (int32_t line = 0; line <= lines.LineCount() + 1 && line <= 4; ++line) {
        const int64_t rows = tm47::BuildLineIndex(dataFile, lines, line, settings, order, root);
        CheckIndex(FileBytes(root.Map(tm47::kLineIndexFile)), rows);
        for (int64_t firstRow : {rows - 3, rows + 1}) {
            if (!tm47::LoadIndexWindow(window, 1, 318, firstRow, root)) {
                std::abort(); // the index was just written
            }
            for (int32_t s = 1; s <= 318; ++s) {
                const int64_t row = firstRow + (s - 1);
                if (window.pointValid[static_cast<std::size_t>(s)] && (row < 1 || row > rows)) {
                    std::abort();
                }
            }
        }
    }
    std::fclose(dataFile);
    return 0;
}
