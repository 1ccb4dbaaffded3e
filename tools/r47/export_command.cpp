#include "export_command.h"

#include <chrono>
#include <cmath>
#include <cstring>

namespace r47 {

namespace {

constexpr int64_t kMsPerDay = 86400000;
constexpr int64_t kQuarterHourMs = 900000;

class PositionHandler : public WalkHandler {
public:
    PositionHandler(PositionPass& pass, PositionTrack& track,
                    const std::function<void(const FileFacts&)>& onFacts)
        : pass_(pass), track_(track), onFacts_(onFacts) {}

    void OnFileHeader(const FileFacts& facts) override {
        pass_.facts = facts;
        if (onFacts_) {
            onFacts_(facts);
        }
    }
    void OnReading(const ReadingRow& row) override {
        if (row.line == nullptr) {
            ++pass_.outsideLines;
            return;
        }
        track_.Reading(row);
    }
    void OnSentence(const GpsSentence& s) override {
        if (!pass_.utcOffsetMs && s.checksumOk && s.hasLocalTime) {
            if (const auto gga = ParseGga(s.text); gga && gga->hasUtc) {
                pass_.utcOffsetMs = UtcOffsetMs(s.localTodMs, gga->utcMs);
            }
        }
        track_.Sentence(s);
    }
    void OnGpsProblem(const GpsProblem&) override { ++pass_.gpsProblems; }
    void OnUnplacedReading(int64_t) override { ++pass_.unplaced; }

private:
    PositionPass& pass_;
    PositionTrack& track_;
    const std::function<void(const FileFacts&)>& onFacts_;
};

int64_t DaysFromCivil(const Date& d) {
    using namespace std::chrono;
    const year_month_day ymd{year{d.year}, month{static_cast<unsigned>(d.month)},
                             day{static_cast<unsigned>(d.day)}};
    return sys_days{ymd}.time_since_epoch().count();
}

} // namespace

int64_t UtcOffsetMs(int64_t localTodMs, int64_t utcTodMs) {
    int64_t d = (localTodMs - utcTodMs) % kMsPerDay;
    // Offsets run from -12 h to +14 h; -12 h and +12 h are the same clock, taken as +12 h.
    if (d <= -12 * 3600000LL) {
        d += kMsPerDay;
    } else if (d > 14 * 3600000LL) {
        d -= kMsPerDay;
    }
    const int64_t quarters = d >= 0 ? (d + kQuarterHourMs / 2) / kQuarterHourMs
                                    : -((-d + kQuarterHourMs / 2) / kQuarterHourMs);
    return quarters * kQuarterHourMs;
}

PositionPass
WalkWithPositions(const std::string& file, double maxGapS, double lagS,
                  const std::function<void(const PositionedRow&, const PositionPass&)>& sink,
                  const std::function<void(const FileFacts&)>& onFacts) {
    PositionPass pass;
    PositionTrack track(maxGapS, lagS, [&](const PositionedRow& row) { sink(row, pass); });
    PositionHandler handler(pass, track, onFacts);
    pass.walk = WalkDataFile(file, handler);
    track.Finish();
    return pass;
}

int RunExport(const std::vector<std::string>& files, const ExportOptions& options, std::FILE* out,
              std::FILE* err) {
    auto writer = MakeExportWriter(options.format, out);
    writer->Begin();
    int status = 0;
    for (const std::string& file : files) {
        std::optional<int64_t> fixedOffset;
        if (options.utcOffsetHours) {
            fixedOffset = std::llround(*options.utcOffsetHours * 3600000.0);
        }
        const PositionPass pass = WalkWithPositions(
            file, options.maxGapS, options.lagS,
            [&](const PositionedRow& row, const PositionPass& p) {
                ExportRow e;
                e.file = &file;
                e.row = &row;
                const std::optional<int64_t> offset = fixedOffset ? fixedOffset : p.utcOffsetMs;
                if (offset && row.reading.hasTime) {
                    e.utcMs =
                        DaysFromCivil(row.reading.date) * kMsPerDay + row.reading.todMs - *offset;
                }
                writer->Row(e);
            },
            [&](const FileFacts& facts) { writer->BeginFile(file, facts); });
        if (!pass.walk.opened || !pass.walk.error.empty()) {
            std::fprintf(err, "r47: %s: cannot read: %s\n", file.c_str(), pass.walk.error.c_str());
            status = 2;
            continue;
        }
        if (pass.walk.trailingBytes > 0) {
            std::fprintf(err, "r47: %s: skipped a partial record of %lld bytes at the end\n",
                         file.c_str(), static_cast<long long>(pass.walk.trailingBytes));
            status = std::max(status, 1);
        }
        if (pass.outsideLines > 0) {
            std::fprintf(err, "r47: %s: skipped %lld readings outside any survey line\n",
                         file.c_str(), static_cast<long long>(pass.outsideLines));
            status = std::max(status, 1);
        }
        if (pass.unplaced > 0) {
            std::fprintf(err,
                         "r47: %s: skipped %lld readings inside line headers or offset groups\n",
                         file.c_str(), static_cast<long long>(pass.unplaced));
            status = std::max(status, 1);
        }
        if (pass.gpsProblems > 0) {
            std::fprintf(err, "r47: %s: %lld damaged GPS records (see r47 check)\n", file.c_str(),
                         static_cast<long long>(pass.gpsProblems));
            status = std::max(status, 1);
        }
    }
    writer->End();
    if (!writer->Flush() || std::fflush(out) != 0) {
        std::fprintf(err, "r47: writing the export failed: %s\n", std::strerror(errno));
        return 2;
    }
    if (writer->Unpositioned() > 0) {
        std::fprintf(err, "r47: %lld readings without a position left out\n",
                     static_cast<long long>(writer->Unpositioned()));
    }
    return status;
}

} // namespace r47
