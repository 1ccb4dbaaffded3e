// r47 export to CSV of one data file of 1,000,000 readings and 100,000 GPS sentences (GGA and
// GSA in turn, one every 10 readings, each cut into records with its time record), beside the
// physical limit measured in the same run: the data file's bytes read and the CSV's bytes
// written in bulk, with no work on them. Targets: under 2 s of CPU and within 20 times the
// bulk limit; BM_ExportCsv reports its ratio to the bulk figure as "x_bulk".

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "datafile/records.h"
#include "export_command.h"
#include "gps/nmea_framer.h"
#include "platform/file_handle.h"

namespace {

using namespace tm47;

constexpr int kReadings = 1000000;
constexpr int kReadingsPerSentence = 10;

std::string WithChecksum(const std::string& body) {
    unsigned sum = 0;
    for (char c : body) {
        sum ^= static_cast<unsigned char>(c);
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    return "$" + body + "*" + kHex[sum >> 4] + kHex[sum & 15];
}

struct Files {
    std::filesystem::path dir;
    std::filesystem::path data;
    std::filesystem::path csv;
    std::size_t csvBytes = 0;

    Files() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "r47-bench-XXXXXX").string();
        if (mkdtemp(tmpl.data()) == nullptr) {
            std::abort();
        }
        dir = tmpl;
        data = dir / "LONG.R47";
        csv = dir / "LONG.csv";
        std::string bytes;
        bytes.reserve(static_cast<std::size_t>(kReadings) * 29);
        auto add = [&bytes](const Record& r) { bytes.append(r.data(), r.size()); };
        Settings settings;
        settings.gpsEnabled = 1;
        add(FileHeaderRecord(settings, false, true));
        add(FileNameRecord("LONG", 0.2f));
        for (int i = 0; i < 4; ++i) {
            add(HeaderOffsetRecord(0.0f, kQcNone, 0.0f));
        }
        const LocalTime start{2024, 5, 17, 8, 0, 0, 0};
        add(SurveyLineRecord(u"BENCH"));
        add(StartStationRecord(0.0));
        add(DirectionRecord(1, 0.1f));
        add(DateTimeRecord(start));
        for (int i = 0; i < 4; ++i) {
            add(NullingOffsetRecord(1.5f * static_cast<float>(i), 0.0f));
        }
        add(TimeStampRecord(start, 0));
        uint32_t seed = 12345;
        std::array<uint8_t, kReadingFrameBytes> frame{};
        for (int i = 0; i < kReadings; ++i) {
            const uint32_t tick = static_cast<uint32_t>(i) * 55;
            frame[0] = static_cast<uint8_t>("TDEFMN"[i % 6]);
            for (std::size_t b = 2; b < 10; ++b) {
                seed = seed * 1664525u + 1013904223u;
                frame[b] = static_cast<uint8_t>(seed >> 24);
            }
            frame[10] = 1800 >> 8;
            frame[11] = 1800 & 0xFF;
            add(ReadingRecord(frame, tick));
            if (i % kReadingsPerSentence == 0) {
                const int s = i / kReadingsPerSentence;
                const int secs = static_cast<int>(tick / 1000);
                char body[120];
                if (s % 2 == 0) {
                    std::snprintf(body, sizeof body,
                                  "GPGGA,%02d%02d%02d.%02d,4700.%04d,N,00800.0000,E,1,08,0.9,"
                                  "412.5,M,47.0,M,,",
                                  (6 + secs / 3600) % 24, secs / 60 % 60, secs % 60,
                                  static_cast<int>(tick % 1000 / 10), s % 10000);
                } else {
                    std::snprintf(body, sizeof body, "GPGSA,A,3,03,19,27,13,,,,,,,,,1.8,0.9,1.5");
                }
                const std::string text = WithChecksum(body);
                for (const Record& r :
                     GpsSentenceRecords(text, kGpsFirstTag, kGpsContinuationTag)) {
                    add(r);
                }
                add(GpsTimeRecord(tick));
            }
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

double CpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// The data file read and `outBytes` written, in bulk.
void BulkCopy(const Files& files, std::size_t outBytes) {
    static std::vector<char> in(1 << 20);
    static std::vector<char> out;
    out.assign(outBytes, ' ');
    FileHandle data = OpenFile(files.data.c_str(), "rb");
    std::size_t total = 0;
    for (std::size_t n; (n = std::fread(in.data(), 1, in.size(), data.get())) > 0;) {
        total += n;
    }
    data.reset();
    FileHandle csv = OpenFile(files.csv.c_str(), "wb");
    for (std::size_t at = 0; at < out.size(); at += in.size()) {
        std::fwrite(out.data() + at, 1, std::min(in.size(), out.size() - at), csv.get());
    }
    csv.reset();
    benchmark::DoNotOptimize(total);
}

void BM_ExportCsv(benchmark::State& state) {
    Files& files = TheFiles();
    FileHandle err = OpenFile("/dev/null", "wb");
    double exportCpu = 0.0;
    for (auto _ : state) {
        const double t0 = CpuSeconds();
        FileHandle out = OpenFile(files.csv.c_str(), "wb");
        const int status = r47::RunExport({files.data.string()}, {}, out.get(), err.get());
        out.reset();
        exportCpu += CpuSeconds() - t0;
        if (status != 0) {
            state.SkipWithError("export failed");
        }
    }
    err.reset();
    files.csvBytes = std::filesystem::file_size(files.csv);
    // The bulk limit for the same bytes, in the same run.
    constexpr int kBulkRounds = 3;
    const double b0 = CpuSeconds();
    for (int i = 0; i < kBulkRounds; ++i) {
        BulkCopy(files, files.csvBytes);
    }
    const double bulkCpu = (CpuSeconds() - b0) / kBulkRounds;
    const double perExport = exportCpu / static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations() * kReadings);
    state.counters["cpu_s"] = perExport;
    state.counters["bulk_cpu_s"] = bulkCpu;
    state.counters["x_bulk"] = bulkCpu > 0 ? perExport / bulkCpu : 0.0;
    state.counters["csv_MB"] = static_cast<double>(files.csvBytes) / 1e6;
}

void BM_PhysicalLimit(benchmark::State& state) {
    Files& files = TheFiles();
    if (files.csvBytes == 0) {
        files.csvBytes = static_cast<std::size_t>(kReadings) * 120;
    }
    for (auto _ : state) {
        BulkCopy(files, files.csvBytes);
    }
}

BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PhysicalLimit)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
