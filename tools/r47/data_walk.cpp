#include "data_walk.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>

#include "number_fields.h"
#include "platform/c_numbers.h"
#include "platform/file_handle.h"
#include "viewer/line_index.h"

namespace r47 {

namespace {

constexpr int64_t kDayMs = 86400000;

// hh:mm:ss at `text` (8 characters), in ms; -1 when malformed.
int64_t ClockMs(std::string_view text) {
    if (text.size() < 8 || text[2] != ':' || text[5] != ':') {
        return -1;
    }
    const int h = Digits(text.substr(0, 2), 2);
    const int m = Digits(text.substr(3, 2), 2);
    const int s = Digits(text.substr(6, 2), 2);
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) {
        return -1;
    }
    return (h * 3600 + m * 60 + s) * 1000LL;
}

class Walker {
public:
    explicit Walker(WalkHandler& handler) : handler_(handler), walk_(settings_) {}

    void Feed(const tm47::Record& r, int64_t index) {
        handler_.OnRecord(index, r);
        const char kind = r[0];
        if (index == 0 && ParseFileHeader(r, facts_)) {
            settings_ = DecodingSettings(facts_);
            return;
        }
        if (index == 1 && kind == 'H' && facts_.hasHeader) {
            ParseFileName(r, facts_);
            handler_.OnFileHeader(facts_);
            reportedHeader_ = true;
            return;
        }
        if (!reportedHeader_ && index >= 1) {
            handler_.OnFileHeader(facts_);
            reportedHeader_ = true;
        }
        // The line walk sees every record of a line, GPS pieces included, as the viewer does.
        // Time stamps and GPS records also serve the clock and the sentences whatever place
        // the walk gives them.
        bool lineBegins = kind == 'L';
        if (inLine_) {
            switch (walk_.Feed(r)) {
            case tm47::LineWalk::Step::Header:
                HeaderRecord(r);
                lineBegins = false;
                break;
            case tm47::LineWalk::Step::Point:
                Reading(r, index);
                return;
            case tm47::LineWalk::Step::Gaps:
                handler_.OnGap(index, walk_.GapCount());
                break;
            case tm47::LineWalk::Step::Offset:
                lineBegins = false;
                break;
            default:
                break;
            }
            if (tm47::IsReadingKind(kind)) {
                handler_.OnUnplacedReading(index); // taken as part of a header or offset group
                return;
            }
        } else if (tm47::IsReadingKind(kind)) {
            Reading(r, index);
            return;
        }
        if (lineBegins) {
            BeginLine(r);
        } else if (kind == '*') {
            clock_.TimeStamp(r);
        } else if (IsGpsKind(kind)) {
            if (auto s = gps_.Feed(r, index)) {
                Date date;
                s->hasLocalTime = clock_.LocalTime(s->tick, date, s->localTodMs);
                handler_.OnSentence(*s);
            }
            ReportGpsProblems();
        }
    }

    void Finish() {
        if (!reportedHeader_) {
            handler_.OnFileHeader(facts_);
        }
        gps_.Finish();
        ReportGpsProblems();
    }

private:
    void BeginLine(const tm47::Record& r) {
        line_ = LineFacts{};
        line_.number = ++lineCount_;
        const std::u16string name = tm47::LineNameOf(r.data());
        line_.name.assign(name.begin(), name.end());
        inLine_ = true;
        headerAt_ = 0;
        walk_.Begin();
        walk_.Feed(r);
        headerAt_ = 1;
    }

    void HeaderRecord(const tm47::Record& r) {
        // L, B, A, Z, then four O; the walk keeps the numbers it needs.
        if (headerAt_ == 2) {
            line_.direction = r[1];
        } else if (headerAt_ == 3) {
            clock_.DateRecord(r, line_);
        }
        ++headerAt_;
        if (walk_.HeaderComplete()) {
            line_.startStation = walk_.StartStation();
            line_.increment = walk_.Increment();
            handler_.OnLine(line_);
        }
    }

    void Reading(const tm47::Record& r, int64_t index) {
        ReadingRow row;
        row.index = index;
        row.letter = r[0];
        row.tick = FieldInteger(std::string_view(r.data() + 13, 10));
        if (inLine_) {
            row.line = &line_;
            row.station = walk_.Station();
            row.channel = walk_.Reading().channel;
        } else {
            // Before any line: decoded with no offsets, no station.
            row.channel =
                tm47::ParseReadingRecord(r, {}, tm47::OffsetOrder::BeforeNormalising, settings_)
                    .channel;
        }
        row.hasTime = clock_.LocalTime(row.tick, row.date, row.todMs);
        handler_.OnReading(row);
    }

    void ReportGpsProblems() {
        for (const GpsProblem& p : gps_.TakeProblems()) {
            handler_.OnGpsProblem(p);
        }
    }

    WalkHandler& handler_;
    tm47::Settings settings_;
    FileFacts facts_;
    bool reportedHeader_ = false;
    tm47::LineWalk walk_;
    bool inLine_ = false;
    int headerAt_ = 0;
    int64_t lineCount_ = 0;
    LineFacts line_;
    TickClock clock_;
    GpsGroupAssembler gps_;
};

} // namespace

Date Date::PlusDays(int days) const {
    namespace chr = std::chrono;
    const chr::year_month_day ymd{chr::year{year}, chr::month{static_cast<unsigned>(month)},
                                  chr::day{static_cast<unsigned>(day)}};
    if (!ymd.ok() || days == 0) {
        return *this;
    }
    const chr::year_month_day next{chr::sys_days{ymd} + chr::days{days}};
    return {static_cast<int>(next.year()), static_cast<int>(static_cast<unsigned>(next.month())),
            static_cast<int>(static_cast<unsigned>(next.day()))};
}

void TickClock::DateRecord(const tm47::Record& z, LineFacts& line) {
    const std::string_view t(z.data(), z.size());
    const Date d{Digits(t.substr(5, 4), 4), Digits(t.substr(3, 2), 2), Digits(t.substr(1, 2), 2)};
    const int64_t tod = ClockMs(t.substr(10, 8));
    hasDate_ = z[0] == 'Z' && d.Valid() && tod >= 0;
    if (hasDate_) {
        date_ = d;
        lastTod_ = tod;
        dayOffset_ = 0;
        line.hasDate = true;
        line.date = d;
        line.startTodMs = tod;
    }
}

void TickClock::TimeStamp(const tm47::Record& star) {
    const std::string_view t(star.data(), star.size());
    const int64_t clock = ClockMs(t.substr(1, 8));
    const int ms = Digits(t.substr(10, 3), 3);
    if (clock < 0 || t[9] != '.' || ms < 0 || !IsIntegerField(t.substr(13, 10))) {
        return; // a damaged stamp is not used
    }
    const int64_t tod = clock + ms;
    // The clock runs on; a stamp well before the last time known is the next day. (The "Z"
    // record has whole seconds, so a little earlier is the same second.)
    if (tod + 1000 < lastTod_) {
        ++dayOffset_;
    }
    lastTod_ = tod;
    hasStamp_ = true;
    stampTod_ = tod;
    stampTick_ = FieldInteger(t.substr(13, 10));
    stampDayOffset_ = dayOffset_;
}

bool TickClock::LocalTime(int64_t tick, Date& date, int64_t& todMs) const {
    if (!hasStamp_ || !hasDate_) {
        return false;
    }
    int64_t t = stampTod_ + (tick - stampTick_);
    int64_t days = stampDayOffset_;
    // Floor division: a reading older than the stamp may fall on the day before.
    days += t >= 0 ? t / kDayMs : -((-t + kDayMs - 1) / kDayMs);
    t -= (t >= 0 ? t / kDayMs : -((-t + kDayMs - 1) / kDayMs)) * kDayMs;
    if (days > 100000 || days < -100000) {
        return false;
    }
    date = date_.PlusDays(static_cast<int>(days));
    todMs = t;
    return true;
}

bool ParseFileHeader(const tm47::Record& r, FileFacts& facts) {
    const std::string_view t(r.data(), r.size());
    const std::string_view name = t.substr(0, 7);
    if ((name != "TM47KVB" && name != "TM47HXB") || t.substr(7, 2) != " W") {
        return false;
    }
    facts.hasHeader = true;
    facts.instrument = std::string(name);
    facts.version = std::string(t.substr(9, 3));
    facts.gps = t.substr(12, 3) == "GPS";
    facts.units = Digits(t.substr(15, 1), 1);
    facts.antenna = Digits(t.substr(16, 1), 1);
    facts.surveyMode = Digits(t.substr(17, 1), 1);
    facts.polledLink = t[21] == ' ';
    return true;
}

void ParseFileName(const tm47::Record& r, FileFacts& facts) {
    std::string_view name(r.data() + 2, 9);
    while (!name.empty() && name.back() == ' ') {
        name.remove_suffix(1);
    }
    facts.name = std::string(name);
    facts.readingIntervalS = tm47::StrtodDecimalLike(std::string_view(r.data() + 11, 7));
}

tm47::Settings DecodingSettings(const FileFacts& facts) {
    tm47::Settings s;
    s.instrumentVariant = facts.instrument == "TM47HXB" ? 1 : 0;
    s.antenna = facts.antenna >= 0 && facts.antenna <= 3 ? facts.antenna : 0;
    s.units = facts.units == 1 ? 1 : 0;
    s.surveyMode = facts.surveyMode >= 0 && facts.surveyMode <= 2 ? facts.surveyMode : 0;
    return s;
}

WalkResult WalkDataFile(std::FILE* file, WalkHandler& handler) {
    WalkResult result;
    result.opened = true;
    Walker walker(handler);
    std::vector<char> buffer(tm47::kRecordLength * 4096);
    std::size_t have = 0;
    tm47::Record r{};
    for (;;) {
        const std::size_t n = std::fread(buffer.data() + have, 1, buffer.size() - have, file);
        have += n;
        std::size_t at = 0;
        for (; have - at >= tm47::kRecordLength; at += tm47::kRecordLength) {
            std::memcpy(r.data(), buffer.data() + at, tm47::kRecordLength);
            walker.Feed(r, result.records++);
        }
        std::memmove(buffer.data(), buffer.data() + at, have - at);
        have -= at;
        if (n == 0) {
            break;
        }
    }
    if (std::ferror(file)) {
        result.error = std::strerror(errno);
    }
    result.trailingBytes = static_cast<int64_t>(have);
    walker.Finish();
    return result;
}

WalkResult WalkDataFile(const std::string& path, WalkHandler& handler) {
    if (path == "-") {
        return WalkDataFile(stdin, handler);
    }
    const tm47::FileHandle f = tm47::OpenFile(path.c_str(), "rb");
    if (!f) {
        WalkResult result;
        result.error = std::strerror(errno);
        return result;
    }
    return WalkDataFile(f.get(), handler);
}

} // namespace r47
