#include "dump_command.h"

#include <initializer_list>
#include <string_view>

#include "data_walk.h"
#include "platform/c_numbers.h"
#include "text_out.h"

namespace r47 {

namespace {

// Printable text of a field; other bytes as \xNN.
std::string Printable(std::string_view s) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F && c != '\\') {
            out += c;
        } else {
            out += "\\x";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    return out;
}

// Appends the pieces one after the other.
void Append(std::string& out, std::initializer_list<std::string_view> pieces) {
    for (std::string_view p : pieces) {
        out += p;
    }
}

double Lead(std::string_view s) {
    return tm47::StrtodDecimalLike(s);
}

class Dumper : public WalkHandler {
public:
    explicit Dumper(std::FILE* out) : out_(out) {}

    void OnRecord(int64_t index, const tm47::Record& r) override {
        Flush();
        const std::string_view t(r.data(), r.size());
        line_.clear();
        AppendInt(line_, index);
        line_ += ' ';
        const char kind = r[0];
        FileFacts f;
        if (index == 0 && ParseFileHeader(r, f)) {
            Append(line_,
                   {"header instrument=", f.instrument, " version=", f.version,
                    " gps=", (f.gps ? "on" : "off"), " units=", std::to_string(f.units),
                    " antenna=", std::to_string(f.antenna), " mode=", std::to_string(f.surveyMode),
                    " link=", (f.polledLink ? "polled" : "streaming"),
                    " screen=", (t[22] == '3' ? "portrait" : "landscape")});
            return;
        }
        if (tm47::IsReadingKind(kind)) {
            // The decoded channels follow in OnReading, which comes right after.
            line_ += "reading ";
            line_ += kind;
            Append(line_, {" range=", std::to_string(static_cast<unsigned char>(r[1])), " raw="});
            for (int i = 0; i < 4; ++i) {
                const auto v = static_cast<int16_t>(
                    static_cast<uint16_t>((static_cast<unsigned char>(r[2 + 2 * i]) << 8) |
                                          static_cast<unsigned char>(r[3 + 2 * i])));
                Append(line_, {(i ? "," : ""), std::to_string(v)});
            }
            Append(line_, {" tick=", Printable(t.substr(13, 10))});
            return;
        }
        switch (kind) {
        case 'H':
            Append(line_, {"name name=\"", Printable(t.substr(2, 9)), "\" interval="});
            AppendFixed(line_, Lead(t.substr(11, 7)), 3);
            break;
        case 'O':
            line_ += r[10] == ' ' ? "offset new=" : "offset-header offset=";
            AppendFixed(line_, Lead(t.substr(1, 9)), 2);
            if (r[10] == ' ') {
                line_ += " previous=";
                AppendFixed(line_, Lead(t.substr(11, 9)), 2);
                Append(line_, {" order=", Printable(t.substr(22, 1))});
            } else {
                Append(line_, {" qc=", Printable(t.substr(10, 1)), " qc-value="});
                AppendFixed(line_, Lead(t.substr(11, 9)), 2);
            }
            break;
        case 'I':
            Append(line_, {"qc-calibration kind=", Printable(t.substr(1, 1)), " value="});
            AppendFixed(line_, Lead(t.substr(2, 9)), 2);
            break;
        case 'L':
            Append(line_, {"line name=\"", Printable(t.substr(1, 8)), "\""});
            break;
        case 'B':
            line_ += "start-station station=";
            AppendFixed(line_, Lead(t.substr(1, 11)), 2);
            break;
        case 'A':
            Append(line_, {"direction direction=", Printable(t.substr(1, 1)), " increment="});
            AppendFixed(line_, Lead(t.substr(2, 17)), 3);
            break;
        case 'Z':
            Append(line_, {"date-time text=\"", Printable(t.substr(1, 17)), "\""});
            break;
        case 'S':
            line_ += "station station=";
            AppendFixed(line_, Lead(t.substr(1, 11)), 2);
            Append(line_, {" time=", Printable(t.substr(13, 8))});
            break;
        case '*':
            Append(line_, {"time-stamp time=", Printable(t.substr(1, 12)),
                           " tick=", Printable(t.substr(13, 10))});
            break;
        case 'C':
        case 'X':
            line_ += kind == 'C' ? "comment" : "marker";
            Append(line_, {" text=\"", Printable(t.substr(1, 11)),
                           "\" tick=", Printable(t.substr(13, 10))});
            break;
        case '!':
            Append(line_, {"gps-time tick=", Printable(t.substr(13, 10))});
            break;
        default:
            if (kind == '@' || kind == '#' || kind == '?' || kind == '"') {
                line_ += "gps-piece tag=";
                line_ += kind;
                Append(line_, {" text=\"", Printable(t.substr(1, 22)), "\""});
            } else {
                Append(line_, {"unknown bytes=\"", Printable(t), "\""});
            }
        }
    }
    void OnReading(const ReadingRow& row) override {
        for (int i = 0; i < 4; ++i) {
            Append(line_, {" ch", std::to_string(i + 1), "="});
            AppendFixed(line_, row.channel[static_cast<std::size_t>(i)], 2);
        }
        if (row.line != nullptr) {
            line_ += " station=";
            AppendFixed(line_, row.station, 2);
        }
    }
    void OnSentence(const GpsSentence& s) override {
        Append(line_, {" sentence=\"", Printable(s.text), "\"",
                       (s.checksumOk ? " checksum=ok" : " checksum=bad")});
    }
    void Flush() {
        if (!line_.empty()) {
            line_ += '\n';
            std::fwrite(line_.data(), 1, line_.size(), out_);
            line_.clear();
        }
    }

private:
    std::FILE* out_;
    std::string line_;
};

} // namespace

int RunDump(const std::string& file, std::FILE* out, std::FILE* err) {
    Dumper d(out);
    const WalkResult w = WalkDataFile(file, d);
    d.Flush();
    if (!w.opened || !w.error.empty()) {
        std::fprintf(err, "r47: %s: cannot read: %s\n", file.c_str(), w.error.c_str());
        return 2;
    }
    if (w.trailingBytes > 0) {
        std::fprintf(out, "%lld partial record of %lld bytes\n", static_cast<long long>(w.records),
                     static_cast<long long>(w.trailingBytes));
        return 1;
    }
    return 0;
}

} // namespace r47
