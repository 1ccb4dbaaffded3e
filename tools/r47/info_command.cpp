#include "info_command.h"

#include <algorithm>
#include <array>
#include <map>

#include "number_fields.h"
#include "position_track.h"
#include "text_out.h"

namespace r47 {

namespace {

constexpr double kCoverageGapS = 1.0;

struct LineSummary {
    LineFacts facts;
    int64_t readings = 0;
    double firstStation = 0.0;
    double lastStation = 0.0;
    bool hasTime = false;
    Date firstDate;
    int64_t firstTod = 0;
    Date lastDate;
    int64_t lastTod = 0;
};

class InfoHandler : public WalkHandler {
public:
    InfoHandler() : track_(kCoverageGapS, 0.0, [this](const PositionedRow& r) { Row(r); }) {}

    void OnRecord(int64_t index, const tm47::Record& r) override {
        const std::string_view t(r.data(), r.size());
        switch (r[0]) {
        case 'C':
            comments.push_back(Trim(t.substr(1, 11)));
            break;
        case 'X':
            markers.push_back(Trim(t.substr(1, 11)));
            break;
        case 'I':
            ++qcRecords;
            break;
        case 'O':
            // Nulling-form groups after a line header's own four.
            if (r[10] == ' ' && previousKind_ != 'O' && previousKind_ != 'Z') {
                ++nullings;
            }
            break;
        default:
            break;
        }
        previousKind_ = r[0];
    }
    void OnFileHeader(const FileFacts& f) override { facts = f; }
    void OnLine(const LineFacts& line) override {
        LineSummary s;
        s.facts = line;
        lines.push_back(s);
    }
    void OnReading(const ReadingRow& row) override {
        if (row.line == nullptr) {
            ++outsideLines;
        }
        track_.Reading(row);
    }
    void OnSentence(const GpsSentence& s) override {
        if (s.checksumOk) {
            if (const auto gga = ParseGga(s.text)) {
                ++qualities[gga->quality];
            }
        }
        track_.Sentence(s);
    }
    void Finish() { track_.Finish(); }

    FileFacts facts;
    std::vector<LineSummary> lines;
    std::vector<std::string> comments;
    std::vector<std::string> markers;
    int64_t qcRecords = 0;
    int64_t nullings = 0;
    int64_t readings = 0;
    int64_t covered = 0;
    int64_t outsideLines = 0;
    std::map<int, int64_t> qualities;

private:
    static std::string Trim(std::string_view s) {
        while (!s.empty() && s.back() == ' ') {
            s.remove_suffix(1);
        }
        return std::string(s);
    }

    void Row(const PositionedRow& r) {
        ++readings;
        if (r.nearestFixMs && *r.nearestFixMs <= 1000) {
            ++covered;
        }
        // Readings wait for their fixes, so a new line may have begun meanwhile.
        auto it = std::find_if(lines.rbegin(), lines.rend(), [&](const LineSummary& l) {
            return l.facts.number == r.line.number;
        });
        if (!r.inLine || it == lines.rend()) {
            return;
        }
        LineSummary& l = *it;
        if (l.readings++ == 0) {
            l.firstStation = r.reading.station;
            l.hasTime = r.reading.hasTime;
            l.firstDate = r.reading.date;
            l.firstTod = r.reading.todMs;
        }
        l.lastStation = r.reading.station;
        if (r.reading.hasTime) {
            l.lastDate = r.reading.date;
            l.lastTod = r.reading.todMs;
        }
    }

    PositionTrack track_;
    char previousKind_ = 0;
};

std::string DateTime(const Date& d, int64_t tod) {
    std::string s;
    AppendDate(s, d.year, d.month, d.day);
    s += ' ';
    AppendTime(s, tod);
    return s;
}

const char* const kUnits[] = {"meters", "feet"};
const char* const kModes[] = {"Auto", "Wheel", "Manual"};

} // namespace

int RunInfo(const std::vector<std::string>& files, std::FILE* out, std::FILE* err) {
    int status = 0;
    for (const std::string& file : files) {
        InfoHandler h;
        const WalkResult w = WalkDataFile(file, h);
        h.Finish();
        if (!w.opened) {
            std::fprintf(err, "r47: %s: cannot read: %s\n", file.c_str(), w.error.c_str());
            status = 2;
            continue;
        }
        const FileFacts& f = h.facts;
        std::fprintf(out, "%s\n", file.c_str());
        if (f.hasHeader) {
            std::fprintf(out,
                         "  instrument %s (version %s), units %s, trigger %s, antenna %d, %s\n",
                         f.instrument.c_str(), f.version.c_str(), kUnits[f.units == 1 ? 1 : 0],
                         f.surveyMode >= 0 && f.surveyMode <= 2 ? kModes[f.surveyMode] : "unknown",
                         f.antenna, f.gps ? "GPS on" : "GPS off");
            std::string interval;
            AppendFixed(interval, f.readingIntervalS, 3);
            std::fprintf(out, "  name %s, reading interval %s s\n", f.name.c_str(),
                         interval.c_str());
        } else {
            std::fprintf(out, "  no file header\n");
        }
        std::fprintf(out, "  %lld records, %zu lines, %lld readings\n",
                     static_cast<long long>(w.records), h.lines.size(),
                     static_cast<long long>(h.readings));
        for (const LineSummary& l : h.lines) {
            std::string start, inc, first, last;
            AppendFixed(start, l.facts.startStation, 2);
            AppendFixed(inc, l.facts.increment, 3);
            AppendFixed(first, l.firstStation, 2);
            AppendFixed(last, l.lastStation, 2);
            std::fprintf(out, "  line %s: start %s, increment %s, direction %c, %lld readings",
                         l.facts.name.c_str(), start.c_str(), inc.c_str(), l.facts.direction,
                         static_cast<long long>(l.readings));
            if (l.readings > 0) {
                std::fprintf(out, ", stations %s to %s", first.c_str(), last.c_str());
            }
            if (l.hasTime) {
                std::fprintf(out, ", %s to %s", DateTime(l.firstDate, l.firstTod).c_str(),
                             DateTime(l.lastDate, l.lastTod).c_str());
            }
            std::fprintf(out, "\n");
        }
        if (h.outsideLines > 0) {
            std::fprintf(out, "  %lld readings before any line\n",
                         static_cast<long long>(h.outsideLines));
        }
        std::fprintf(out, "  comments: %zu", h.comments.size());
        for (const std::string& c : h.comments) {
            std::fprintf(out, " \"%s\"", c.c_str());
        }
        int64_t breaks = 0, ends = 0;
        for (const std::string& m : h.markers) {
            breaks += m == "$CONN BREAK";
            ends += m == "$CONN END";
        }
        std::fprintf(out, "\n  markers: %zu (%lld breaks, %lld ends)\n", h.markers.size(),
                     static_cast<long long>(breaks), static_cast<long long>(ends));
        std::fprintf(out, "  nulling: %lld, QC calibration records: %lld\n",
                     static_cast<long long>(h.nullings), static_cast<long long>(h.qcRecords));
        std::string share = "0.0";
        if (h.readings > 0) {
            share.clear();
            AppendFixed(share, 100.0 * static_cast<double>(h.covered) / h.readings, 1);
        }
        std::fprintf(out, "  GPS: %s%% of readings with a fix within 1 s; fix qualities seen:",
                     share.c_str());
        if (h.qualities.empty()) {
            std::fprintf(out, " none");
        }
        for (const auto& [q, n] : h.qualities) {
            std::fprintf(out, " %d (%lld)", q, static_cast<long long>(n));
        }
        std::fprintf(out, "\n");
        if (w.trailingBytes > 0) {
            std::fprintf(out, "  partial record of %lld bytes at the end\n",
                         static_cast<long long>(w.trailingBytes));
            status = std::max(status, 1);
        }
    }
    return status;
}

} // namespace r47
