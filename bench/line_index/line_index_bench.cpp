// Indexing one survey line of 1,000,000 readings (a 24 MB data file, a 61 MB LINE.TMP), beside
// the physical limit measured in the same run: reading the data file's bytes and writing the
// index's bytes in bulk, with no decoding. Target: under 0.5 s, whatever the ratio.
// Also a window move, which reads only its rows.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "config/settings.h"
#include "datafile/records.h"
#include "platform/clock.h"
#include "platform/file_handle.h"
#include "viewer/line_index.h"

namespace {

using namespace tm47;

constexpr int kReadings = 1000000;

struct Files {
    std::filesystem::path dir;
    std::filesystem::path data;
    std::filesystem::path index;

    Files() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "tm47-bench-XXXXXX").string();
        if (mkdtemp(tmpl.data()) == nullptr) {
            std::abort();
        }
        dir = tmpl;
        data = dir / "LONG.R47";
        index = dir / "LINE.TMP";
        std::string bytes;
        bytes.reserve(static_cast<std::size_t>(kReadings + 16) * kRecordLength);
        auto add = [&bytes](const Record& r) { bytes.append(r.data(), r.size()); };
        const LocalTime noon{2024, 5, 17, 12, 0, 0, 0};
        add(SurveyLineRecord(u"BENCH"));
        add(StartStationRecord(0.0));
        add(DirectionRecord(1, 0.1f));
        add(DateTimeRecord(noon));
        for (int i = 0; i < 4; ++i) {
            Record r = NullingOffsetRecord(1.5f * static_cast<float>(i), 0.0f);
            r[22] = '1';
            add(r);
        }
        uint32_t seed = 12345;
        std::array<uint8_t, kReadingFrameBytes> frame{};
        for (int i = 0; i < kReadings; ++i) {
            frame[0] = static_cast<uint8_t>("TDEFMN"[i % 6]);
            for (std::size_t b = 2; b < 10; ++b) {
                seed = seed * 1664525u + 1013904223u;
                frame[b] = static_cast<uint8_t>(seed >> 24);
            }
            frame[10] = 1800 >> 8;
            frame[11] = 1800 & 0xFF;
            frame[12] = static_cast<uint8_t>(i % 100);
            add(ReadingRecord(frame, static_cast<uint32_t>(i)));
        }
        FileHandle f = OpenFile(data.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f.get());
        f.reset();
    }
    ~Files() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

Files& TheFiles() {
    static Files files; // built once for the whole run
    return files;
}

void BM_BuildLineIndex(benchmark::State& state) {
    Files& files = TheFiles();
    FileHandle data = OpenFile(files.data.c_str(), "rb");
    const LineTable lines = BuildLineList(data.get());
    Settings settings;
    OffsetOrder order = OffsetOrder::BeforeNormalising;
    int64_t rows = 0;
    for (auto _ : state) {
        rows = BuildLineIndex(data.get(), lines, 1, settings, order, files.index);
        benchmark::DoNotOptimize(rows);
    }
    data.reset();
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["rows"] = static_cast<double>(rows);
}

// The same bytes moved without any work on them.
void BM_PhysicalLimit(benchmark::State& state) {
    Files& files = TheFiles();
    const std::size_t indexBytes = static_cast<std::size_t>(kReadings) * kIndexRowLength;
    std::vector<char> in(1 << 20);
    std::vector<char> out(indexBytes, ' ');
    for (auto _ : state) {
        FileHandle data = OpenFile(files.data.c_str(), "rb");
        std::size_t total = 0;
        for (std::size_t n; (n = std::fread(in.data(), 1, in.size(), data.get())) > 0;) {
            total += n;
        }
        data.reset();
        FileHandle index = OpenFile(files.index.c_str(), "wb");
        for (std::size_t at = 0; at < out.size(); at += in.size()) {
            std::fwrite(out.data() + at, 1, std::min(in.size(), out.size() - at), index.get());
        }
        index.reset();
        benchmark::DoNotOptimize(total);
    }
}

// One window of 310 columns from the middle of the line.
void BM_LoadIndexWindow(benchmark::State& state) {
    Files& files = TheFiles();
    {
        FileHandle data = OpenFile(files.data.c_str(), "rb");
        Settings settings;
        OffsetOrder order = OffsetOrder::BeforeNormalising;
        BuildLineIndex(data.get(), BuildLineList(data.get()), 1, settings, order, files.index);
        data.reset();
    }
    PointWindow window;
    for (auto _ : state) {
        benchmark::DoNotOptimize(LoadIndexWindow(window, 1, 310, kReadings / 2, files.index));
    }
}

BENCHMARK(BM_BuildLineIndex)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PhysicalLimit)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadIndexWindow)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
