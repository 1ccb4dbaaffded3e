#include "check_command.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "number_fields.h"

namespace r47 {

namespace {

// A garbage file could give a problem per record; the count goes on, the list stops.
constexpr std::size_t kListedProblems = 10000;

bool IsKnownKind(char kind) {
    return tm47::IsReadingKind(kind) || IsGpsKind(kind) ||
           std::string_view("HOILBAZSCX*").find(kind) != std::string_view::npos;
}

bool IsKnownMarker(std::string_view text) {
    static constexpr std::array<std::string_view, 4> kMarkers = {"$STARTED   ", "$PAUSED    ",
                                                                 "$CONN BREAK", "$CONN END  "};
    for (std::string_view m : kMarkers) {
        if (text == m) {
            return true;
        }
    }
    return false;
}

class Checker : public WalkHandler {
public:
    explicit Checker(CheckResult& result) : result_(result) {}

    void OnRecord(int64_t index, const tm47::Record& r) override {
        index_ = index;
        const std::string_view t(r.data(), r.size());
        const char kind = r[0];
        if (r[23] != '\n') {
            Problem("record does not end in a line feed");
        }
        if (index == 0) {
            if (!IsFileHeader(t)) {
                Problem("the first record is not a file header");
            }
            return;
        }
        if (index == 1 && kind != 'H') {
            Problem("the file header is not followed by the file name record");
        }
        if (index >= 2 && index <= 5 && (kind != 'O' || r[10] == ' ')) {
            Problem("the file name record is not followed by four header offset records");
        }
        if (tm47::IsReadingKind(kind) && IsFileHeader(t)) {
            Problem("file header that is not the first record");
            return;
        }
        if (!IsKnownKind(kind)) {
            Problem(std::string("unknown record kind ") + KindText(kind));
            return;
        }
        LineHeader(kind, r);
        Fields(kind, t);
        Ticks(kind, t);
    }
    void OnGpsProblem(const GpsProblem& p) override { ProblemAt(p.index, p.what); }

private:
    static bool IsFileHeader(std::string_view t) {
        FileFacts f;
        tm47::Record r{};
        std::copy(t.begin(), t.end(), r.begin());
        return ParseFileHeader(r, f);
    }

    static std::string KindText(char kind) {
        const auto u = static_cast<unsigned char>(kind);
        if (u >= 0x20 && u < 0x7F) {
            return std::string("\"") + kind + "\"";
        }
        static constexpr char kHex[] = "0123456789ABCDEF";
        return std::string("0x") + kHex[u >> 4] + kHex[u & 15];
    }

    void Problem(std::string what) { ProblemAt(index_, std::move(what)); }
    void ProblemAt(int64_t index, std::string what) {
        ++result_.problemCount;
        if (result_.problems.size() < kListedProblems) {
            result_.problems.push_back({index, std::move(what)});
        }
    }

    // A line header is "L", "B", "A", "Z" and four nulling-form "O" records.
    void LineHeader(char kind, const tm47::Record& r) {
        static constexpr std::string_view kHeader = "LBAZOOOO";
        if (headerAt_ > 0 && headerAt_ < kHeader.size()) {
            const bool ok = kind == kHeader[headerAt_] && (kind != 'O' || r[10] == ' ');
            if (!ok) {
                Problem("line header is not L, B, A, Z and four O records (record " +
                        std::to_string(headerAt_ + 1) + " of it is " + KindText(kind) + ")");
                headerAt_ = 0;
            } else {
                ++headerAt_;
            }
        }
        if (kind == 'L') {
            headerAt_ = 1;
        }
        if (headerAt_ >= kHeader.size()) {
            headerAt_ = 0;
        }
    }

    void Fields(char kind, std::string_view t) {
        bool ok = true;
        switch (kind) {
        case 'H':
            ok = IsFixedField(t.substr(11, 7), 3);
            break;
        case 'O':
            ok = IsFixedField(t.substr(1, 9), 2) && IsFixedField(t.substr(11, 9), 2);
            break;
        case 'I':
            ok = IsFixedField(t.substr(2, 9), 2);
            break;
        case 'B':
            ok = IsFixedField(t.substr(1, 11), 2);
            break;
        case 'A':
            ok = std::string_view("WSNE").find(t[1]) != std::string_view::npos &&
                 IsFixedField(t.substr(2, 17), 3);
            break;
        case 'Z':
            ok = Digits(t.substr(1, 8), 8) >= 0 && t[9] == ' ' && t[12] == ':' && t[15] == ':' &&
                 Digits(t.substr(10, 2), 2) >= 0 && Digits(t.substr(13, 2), 2) >= 0 &&
                 Digits(t.substr(16, 2), 2) >= 0;
            break;
        case 'S':
            ok =
                IsFixedField(t.substr(1, 11), 2) && t[12] == ' ' && Digits(t.substr(13, 8), 8) >= 0;
            break;
        case '*':
            ok = t[3] == ':' && t[6] == ':' && t[9] == '.' && Digits(t.substr(1, 2), 2) >= 0 &&
                 Digits(t.substr(4, 2), 2) >= 0 && Digits(t.substr(7, 2), 2) >= 0 &&
                 Digits(t.substr(10, 3), 3) >= 0 && IsIntegerField(t.substr(13, 10));
            break;
        case 'C':
        case 'X':
            ok = t[12] == ' ' && IsIntegerField(t.substr(13, 10));
            break;
        default:
            if (tm47::IsReadingKind(kind)) {
                ok = IsIntegerField(t.substr(13, 10));
            }
        }
        if (!ok) {
            Problem(std::string("malformed number field in a ") + KindText(kind) + " record");
        }
        if (kind == 'X' && !IsKnownMarker(t.substr(1, 11))) {
            Problem("unknown marker text \"" + std::string(t.substr(1, 11)) + "\"");
        }
    }

    // Readings, markers, comments and time stamps each go forward in tick. GPS time records
    // carry the tick their sentence began at and may be older than what came before.
    void Ticks(char kind, std::string_view t) {
        int slot = -1;
        const char* name = "";
        if (tm47::IsReadingKind(kind)) {
            slot = 0;
            name = "reading";
        } else if (kind == 'X') {
            slot = 1;
            name = "marker";
        } else if (kind == 'C') {
            slot = 2;
            name = "comment";
        } else if (kind == '*') {
            slot = 3;
            name = "time stamp";
        }
        if (slot < 0 || !IsIntegerField(t.substr(13, 10))) {
            return;
        }
        const int64_t tick = FieldInteger(t.substr(13, 10));
        auto& last = lastTick_[static_cast<std::size_t>(slot)];
        if (last && tick < *last) {
            Problem(std::string(name) + " tick " + std::to_string(tick) + " goes back from " +
                    std::to_string(*last));
        }
        last = tick;
    }

    CheckResult& result_;
    int64_t index_ = 0;
    std::size_t headerAt_ = 0;
    std::array<std::optional<int64_t>, 4> lastTick_{};
};

} // namespace

CheckResult CheckDataFile(const std::string& path) {
    CheckResult result;
    Checker checker(result);
    result.walk = WalkDataFile(path, checker);
    if (result.walk.opened && result.walk.trailingBytes > 0) {
        ++result.problemCount;
        result.problems.push_back(
            {result.walk.records,
             "partial record of " + std::to_string(result.walk.trailingBytes) + " bytes"});
    }
    return result;
}

int RunCheck(const std::vector<std::string>& files, std::FILE* out, std::FILE* err) {
    int status = 0;
    for (const std::string& file : files) {
        const CheckResult r = CheckDataFile(file);
        if (!r.walk.opened || !r.walk.error.empty()) {
            std::fprintf(err, "%s: cannot read: %s\n", file.c_str(), r.walk.error.c_str());
            status = 2;
            continue;
        }
        for (const CheckProblem& p : r.problems) {
            std::fprintf(out, "%s: record %lld: %s\n", file.c_str(),
                         static_cast<long long>(p.index), p.what.c_str());
        }
        if (r.problemCount > static_cast<int64_t>(r.problems.size())) {
            std::fprintf(
                out, "%s: %lld more problems not listed\n", file.c_str(),
                static_cast<long long>(r.problemCount - static_cast<int64_t>(r.problems.size())));
        }
        std::fprintf(out, "%s: %s, %lld records, %lld problems\n", file.c_str(),
                     r.problemCount == 0 ? "OK" : "DAMAGED", static_cast<long long>(r.walk.records),
                     static_cast<long long>(r.problemCount));
        if (r.problemCount > 0 && status == 0) {
            status = 1;
        }
    }
    return status;
}

} // namespace r47
