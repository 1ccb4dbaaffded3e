#include "info_command.h"

#include <algorithm>
#include <deque>
#include <map>

#include "position_track.h"
#include "text_out.h"

namespace r47 {

namespace {

// Coverage counts a reading when a valid fix lies within this of it.
constexpr double kCoverageGapS = 1.0;
// Comments listed by their text; the count goes on.
constexpr std::size_t kListedComments = 20;

const char* const kUnits[] = {"meters", "feet"};
const char* const kModes[] = {"Auto", "Wheel", "Manual"};

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

std::string DateTime(const Date& d, int64_t tod) {
    std::string s;
    AppendDate(s, d.year, d.month, d.day);
    s += ' ';
    AppendTime(s, tod);
    return s;
}

// Prints each line's summary as soon as no reading of it can still come, so that only the
// lines whose readings wait for GPS fixes are held.
class InfoHandler : public WalkHandler {
public:
    explicit InfoHandler(std::FILE* out)
        : out_(out), track_(kCoverageGapS, 0.0, [this](const PositionedRow& r) { Row(r); }) {}

    void OnRecord(int64_t, const tm47::Record& r) override {
        const std::string_view t(r.data(), r.size());
        switch (r[0]) {
        case 'C':
            if (comments_.size() < kListedComments) {
                comments_.push_back(Trim(t.substr(1, 11)));
            }
            ++commentCount_;
            break;
        case 'X': {
            const std::string_view m = t.substr(1, 11);
            ++markers_;
            breaks_ += m == "$CONN BREAK";
            ends_ += m == "$CONN END  ";
            break;
        }
        case 'I':
            ++qcRecords_;
            break;
        case 'O':
            // Nulling-form groups other than a line header's own four.
            if (r[10] == ' ' && previousKind_ != 'O' && previousKind_ != 'Z') {
                ++nullings_;
            }
            break;
        default:
            break;
        }
        previousKind_ = r[0];
    }
    void OnFileHeader(const FileFacts& f) override {
        if (f.hasHeader) {
            std::fprintf(out_,
                         "  instrument %s (version %s), units %s, trigger %s, antenna %d, %s\n",
                         f.instrument.c_str(), f.version.c_str(), kUnits[f.units == 1 ? 1 : 0],
                         f.surveyMode >= 0 && f.surveyMode <= 2 ? kModes[f.surveyMode] : "unknown",
                         f.antenna, f.gps ? "GPS on" : "GPS off");
            std::string interval;
            AppendFixed(interval, f.readingIntervalS, 3);
            std::fprintf(out_, "  name %s, reading interval %s s\n", f.name.c_str(),
                         interval.c_str());
        } else {
            std::fprintf(out_, "  no file header\n");
        }
    }
    void OnLine(const LineFacts& line) override {
        LineSummary s;
        s.facts = line;
        lines_.push_back(s);
        ++lineCount_;
    }
    void OnReading(const ReadingRow& row) override { track_.Reading(row); }
    void OnSentence(const GpsSentence& s) override {
        if (s.checksumOk) {
            if (const auto gga = ParseGga(s.text)) {
                ++qualities_[gga->quality];
            }
        }
        track_.Sentence(s);
    }

    void Finish(int64_t records) {
        track_.Finish();
        PrintLinesBefore(INT64_MAX);
        std::fprintf(out_, "  %lld records, %lld lines, %lld readings\n",
                     static_cast<long long>(records), static_cast<long long>(lineCount_),
                     static_cast<long long>(readings_));
        if (outsideLines_ > 0) {
            std::fprintf(out_, "  %lld readings before any line\n",
                         static_cast<long long>(outsideLines_));
        }
        std::fprintf(out_, "  comments: %lld", static_cast<long long>(commentCount_));
        for (const std::string& c : comments_) {
            std::fprintf(out_, " \"%s\"", c.c_str());
        }
        if (commentCount_ > static_cast<int64_t>(comments_.size())) {
            std::fprintf(out_, " ...");
        }
        std::fprintf(out_, "\n  markers: %lld (%lld breaks, %lld ends)\n",
                     static_cast<long long>(markers_), static_cast<long long>(breaks_),
                     static_cast<long long>(ends_));
        std::fprintf(out_, "  nulling: %lld, QC calibration records: %lld\n",
                     static_cast<long long>(nullings_), static_cast<long long>(qcRecords_));
        std::string share = "0.0";
        if (readings_ > 0) {
            share.clear();
            AppendFixed(share, 100.0 * static_cast<double>(covered_) / readings_, 1);
        }
        std::fprintf(out_, "  GPS: %s%% of readings with a fix within 1 s; fix qualities seen:",
                     share.c_str());
        if (qualities_.empty()) {
            std::fprintf(out_, " none");
        }
        for (const auto& [q, n] : qualities_) {
            std::fprintf(out_, " %d (%lld)", q, static_cast<long long>(n));
        }
        std::fprintf(out_, "\n");
    }

private:
    static std::string Trim(std::string_view s) {
        while (!s.empty() && s.back() == ' ') {
            s.remove_suffix(1);
        }
        return std::string(s);
    }

    void Row(const PositionedRow& r) {
        ++readings_;
        if (r.nearestFixMs && *r.nearestFixMs <= 1000) {
            ++covered_;
        }
        if (!r.inLine) {
            ++outsideLines_;
            return;
        }
        // Readings come out in file order: earlier lines are complete.
        PrintLinesBefore(r.line.number);
        if (lines_.empty() || lines_.front().facts.number != r.line.number) {
            return;
        }
        LineSummary& l = lines_.front();
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

    void PrintLinesBefore(int64_t number) {
        while (!lines_.empty() && lines_.front().facts.number < number) {
            Print(lines_.front());
            lines_.pop_front();
        }
    }

    void Print(const LineSummary& l) {
        std::string start, inc, first, last;
        AppendFixed(start, l.facts.startStation, 2);
        AppendFixed(inc, l.facts.increment, 3);
        AppendFixed(first, l.firstStation, 2);
        AppendFixed(last, l.lastStation, 2);
        std::fprintf(out_, "  line %s: start %s, increment %s, direction %c, %lld readings",
                     l.facts.name.c_str(), start.c_str(), inc.c_str(), l.facts.direction,
                     static_cast<long long>(l.readings));
        if (l.readings > 0) {
            std::fprintf(out_, ", stations %s to %s", first.c_str(), last.c_str());
        }
        if (l.hasTime) {
            std::fprintf(out_, ", %s to %s", DateTime(l.firstDate, l.firstTod).c_str(),
                         DateTime(l.lastDate, l.lastTod).c_str());
        }
        std::fprintf(out_, "\n");
    }

    std::FILE* out_;
    PositionTrack track_;
    std::deque<LineSummary> lines_;
    int64_t lineCount_ = 0;
    std::vector<std::string> comments_;
    int64_t commentCount_ = 0;
    int64_t markers_ = 0;
    int64_t breaks_ = 0;
    int64_t ends_ = 0;
    int64_t qcRecords_ = 0;
    int64_t nullings_ = 0;
    int64_t readings_ = 0;
    int64_t covered_ = 0;
    int64_t outsideLines_ = 0;
    std::map<int, int64_t> qualities_;
    char previousKind_ = 0;
};

} // namespace

int RunInfo(const std::vector<std::string>& files, std::FILE* out, std::FILE* err) {
    int status = 0;
    for (const std::string& file : files) {
        std::fprintf(out, "%s\n", file.c_str());
        InfoHandler h(out);
        const WalkResult w = WalkDataFile(file, h);
        if (!w.opened || !w.error.empty()) {
            std::fprintf(err, "r47: %s: cannot read: %s\n", file.c_str(), w.error.c_str());
            status = 2;
            continue;
        }
        h.Finish(w.records);
        if (w.trailingBytes > 0) {
            std::fprintf(out, "  partial record of %lld bytes at the end\n",
                         static_cast<long long>(w.trailingBytes));
            status = std::max(status, 1);
        }
    }
    return status;
}

} // namespace r47
