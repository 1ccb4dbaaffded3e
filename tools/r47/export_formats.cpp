#include "export_formats.h"

#include <chrono>
#include <cmath>

#include "text_out.h"

namespace r47 {

namespace {

const char* UnitsName(int units) {
    return units == 1 ? "feet" : "meters";
}

const char* ModeName(int mode) {
    switch (mode) {
    case 0:
        return "Auto";
    case 1:
        return "Wheel";
    case 2:
        return "Manual";
    default:
        return "unknown";
    }
}

// The columns shared by CSV and XYZ from "station" on; `missing` stands for an empty value.
void AppendColumns(std::string& out, const PositionedRow& p, char sep, std::string_view missing) {
    const ReadingRow& r = p.reading;
    auto value = [&](bool present, auto&& write) {
        if (present) {
            write();
        } else {
            out += missing;
        }
    };
    value(p.inLine, [&] { AppendFixed(out, r.station, 2); });
    out += sep;
    value(r.hasTime, [&] { AppendDate(out, r.date.year, r.date.month, r.date.day); });
    out += sep;
    value(r.hasTime, [&] { AppendTime(out, r.todMs); });
    out += sep;
    AppendInt(out, r.tick);
    out += sep;
    out += r.letter;
    for (float c : r.channel) {
        out += sep;
        AppendFixed(out, c, 2);
    }
    const Position* pos = p.position ? &*p.position : nullptr;
    const GgaFix* fix = pos ? &pos->nearer->gga : nullptr;
    out += sep;
    value(pos, [&] { AppendFixed(out, pos->lat, 7); });
    out += sep;
    value(pos, [&] { AppendFixed(out, pos->lon, 7); });
    out += sep;
    value(pos && pos->hasAlt, [&] { AppendFixed(out, pos->alt, 1); });
    out += sep;
    value(fix, [&] { AppendInt(out, fix->quality); });
    out += sep;
    value(fix && fix->hasSats, [&] { AppendInt(out, fix->sats); });
    out += sep;
    value(fix && fix->hasHdop, [&] { AppendFixed(out, fix->hdop, 1); });
    out += sep;
    value(pos, [&] { AppendInt(out, pos->fixAgeMs); });
}

class CsvWriter : public ExportWriter {
public:
    using ExportWriter::ExportWriter;
    void Begin() override {
        buffer_ += "file,line,station,date,time,tick,letter,ch1,ch2,ch3,ch4,lat,lon,alt,fix,sats,"
                   "hdop,fix_age_ms\n";
    }
    void Row(const ExportRow& e) override {
        if (e.file != file_) {
            file_ = e.file; // the same for every row of a file: escaped once
            fileField_.clear();
            AppendCsvField(fileField_, *e.file);
        }
        buffer_ += fileField_;
        buffer_ += ',';
        if (e.row->inLine) {
            AppendCsvField(buffer_, e.row->line.name);
        }
        buffer_ += ',';
        AppendColumns(buffer_, *e.row, ',', "");
        buffer_ += '\n';
        MaybeFlush();
    }

private:
    const std::string* file_ = nullptr;
    std::string fileField_;
};

class XyzWriter : public ExportWriter {
public:
    using ExportWriter::ExportWriter;
    void BeginFile(const std::string& file, const FileFacts& f) override {
        buffer_ += "/ file ";
        buffer_ += file;
        buffer_ += "\n/ instrument ";
        buffer_ += f.hasHeader ? f.instrument : "unknown";
        buffer_ += ", version " + f.version + ", units ";
        buffer_ += UnitsName(f.units);
        buffer_ += ", antenna " + std::to_string(f.antenna) + ", mode ";
        buffer_ += ModeName(f.surveyMode);
        buffer_ += f.gps ? ", GPS" : ", no GPS";
        buffer_ += "\n/ data file name " + f.name + ", reading interval ";
        AppendFixed(buffer_, f.readingIntervalS, 3);
        buffer_ += " s\n/ station date time tick letter ch1 ch2 ch3 ch4 lat lon alt fix sats hdop "
                   "fix_age_ms\n";
        lineNumber_ = -1;
    }
    void Row(const ExportRow& e) override {
        const int64_t number = e.row->inLine ? e.row->line.number : 0;
        if (number != lineNumber_) {
            lineNumber_ = number;
            buffer_ += "Line ";
            buffer_ += e.row->inLine ? e.row->line.name : std::string("*");
            buffer_ += '\n';
        }
        AppendColumns(buffer_, *e.row, ' ', "*");
        buffer_ += '\n';
        MaybeFlush();
    }

private:
    int64_t lineNumber_ = -1;
};

// JSON has no NaN or infinity; a damaged record can decode to either.
void AppendJsonNumber(std::string& out, double value, int decimals) {
    if (std::isfinite(value)) {
        AppendFixed(out, value, decimals);
    } else {
        out += "null";
    }
}

class GeoJsonWriter : public ExportWriter {
public:
    using ExportWriter::ExportWriter;
    void Begin() override { buffer_ += "{\"type\":\"FeatureCollection\",\"features\":["; }
    void Row(const ExportRow& e) override {
        const PositionedRow& p = *e.row;
        if (!p.position) {
            ++unpositioned_;
            return;
        }
        const Position& pos = *p.position;
        const GgaFix& fix = pos.nearer->gga;
        buffer_ += first_ ? "\n" : ",\n";
        first_ = false;
        buffer_ += "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":[";
        AppendFixed(buffer_, pos.lon, 7);
        buffer_ += ',';
        AppendFixed(buffer_, pos.lat, 7);
        if (pos.hasAlt) {
            buffer_ += ',';
            AppendFixed(buffer_, pos.alt, 1);
        }
        buffer_ += "]},\"properties\":{\"file\":";
        AppendJsonString(buffer_, *e.file);
        buffer_ += ",\"line\":";
        AppendJsonString(buffer_, p.inLine ? p.line.name : std::string());
        buffer_ += ",\"station\":";
        AppendJsonNumber(buffer_, p.reading.station, 2);
        if (p.reading.hasTime) {
            buffer_ += ",\"date\":\"";
            AppendDate(buffer_, p.reading.date.year, p.reading.date.month, p.reading.date.day);
            buffer_ += "\",\"time\":\"";
            AppendTime(buffer_, p.reading.todMs);
            buffer_ += '"';
        }
        buffer_ += ",\"tick\":";
        AppendInt(buffer_, p.reading.tick);
        buffer_ += ",\"letter\":";
        AppendJsonString(buffer_, std::string_view(&p.reading.letter, 1));
        for (std::size_t i = 0; i < 4; ++i) {
            buffer_ += ",\"ch";
            buffer_ += static_cast<char>('1' + i);
            buffer_ += "\":";
            AppendJsonNumber(buffer_, p.reading.channel[i], 2);
        }
        buffer_ += ",\"fix\":";
        AppendInt(buffer_, fix.quality);
        if (fix.hasSats) {
            buffer_ += ",\"sats\":";
            AppendInt(buffer_, fix.sats);
        }
        if (fix.hasHdop) {
            buffer_ += ",\"hdop\":";
            AppendFixed(buffer_, fix.hdop, 1);
        }
        buffer_ += ",\"fix_age_ms\":";
        AppendInt(buffer_, pos.fixAgeMs);
        buffer_ += "}}";
        MaybeFlush();
    }
    void End() override { buffer_ += "\n]}\n"; }

private:
    bool first_ = true;
};

class GpxWriter : public ExportWriter {
public:
    using ExportWriter::ExportWriter;
    void Begin() override {
        buffer_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<gpx version=\"1.1\" creator=\"r47\" "
                   "xmlns=\"http://www.topografix.com/GPX/1/1\" "
                   "xmlns:r47=\"urn:tm47logger:r47:1\">\n";
    }
    void BeginFile(const std::string& file, const FileFacts&) override {
        CloseTrack();
        file_ = file;
    }
    void Row(const ExportRow& e) override {
        const PositionedRow& p = *e.row;
        if (!p.position) {
            ++unpositioned_;
            return;
        }
        const int64_t number = p.inLine ? p.line.number : 0;
        if (!trackOpen_ || number != lineNumber_) {
            CloseTrack();
            trackOpen_ = true;
            lineNumber_ = number;
            buffer_ += "<trk><name>";
            AppendXmlEscaped(buffer_, p.inLine ? p.line.name : std::string());
            buffer_ += "</name><src>";
            AppendXmlEscaped(buffer_, file_);
            buffer_ += "</src><trkseg>\n";
        }
        const Position& pos = *p.position;
        const GgaFix& fix = pos.nearer->gga;
        buffer_ += "<trkpt lat=\"";
        AppendFixed(buffer_, pos.lat, 7);
        buffer_ += "\" lon=\"";
        AppendFixed(buffer_, pos.lon, 7);
        buffer_ += "\">";
        if (pos.hasAlt) {
            buffer_ += "<ele>";
            AppendFixed(buffer_, pos.alt, 1);
            buffer_ += "</ele>";
        }
        if (e.utcMs) {
            buffer_ += "<time>";
            AppendIsoUtc(buffer_, *e.utcMs);
            buffer_ += "</time>";
        }
        if (const std::string f = GpxFix(fix.quality, pos.nearer->gsaMode); !f.empty()) {
            buffer_ += "<fix>" + f + "</fix>";
        }
        if (fix.hasSats) {
            buffer_ += "<sat>";
            AppendInt(buffer_, fix.sats);
            buffer_ += "</sat>";
        }
        if (fix.hasHdop) {
            buffer_ += "<hdop>";
            AppendFixed(buffer_, fix.hdop, 1);
            buffer_ += "</hdop>";
        }
        buffer_ += "<extensions><r47:station>";
        AppendFixed(buffer_, p.reading.station, 2);
        buffer_ += "</r47:station>";
        for (std::size_t i = 0; i < 4; ++i) {
            const char n = static_cast<char>('1' + i);
            buffer_ += "<r47:ch";
            buffer_ += n;
            buffer_ += '>';
            AppendFixed(buffer_, p.reading.channel[i], 2);
            buffer_ += "</r47:ch";
            buffer_ += n;
            buffer_ += '>';
        }
        buffer_ += "</extensions></trkpt>\n";
        MaybeFlush();
    }
    void End() override {
        CloseTrack();
        buffer_ += "</gpx>\n";
    }

private:
    void CloseTrack() {
        if (trackOpen_) {
            buffer_ += "</trkseg></trk>\n";
            trackOpen_ = false;
        }
    }
    std::string file_;
    bool trackOpen_ = false;
    int64_t lineNumber_ = 0;
};

} // namespace

bool ExportWriter::Flush() {
    if (!buffer_.empty() &&
        std::fwrite(buffer_.data(), 1, buffer_.size(), out_) != buffer_.size()) {
        failed_ = true;
    }
    buffer_.clear();
    return !failed_;
}

std::unique_ptr<ExportWriter> MakeExportWriter(ExportFormat format, std::FILE* out) {
    switch (format) {
    case ExportFormat::Xyz:
        return std::make_unique<XyzWriter>(out);
    case ExportFormat::GeoJson:
        return std::make_unique<GeoJsonWriter>(out);
    case ExportFormat::Gpx:
        return std::make_unique<GpxWriter>(out);
    case ExportFormat::Csv:
        break;
    }
    return std::make_unique<CsvWriter>(out);
}

std::string GpxFix(int quality, std::optional<int> gsaMode) {
    switch (quality) {
    case 2:
    case 4:
    case 5:
        return "dgps";
    case 3:
        return "pps";
    case 1:
        if (gsaMode == 3) {
            return "3d";
        }
        if (gsaMode == 2) {
            return "2d";
        }
        return {};
    default:
        return {};
    }
}

void AppendIsoUtc(std::string& out, int64_t utcMs) {
    using namespace std::chrono;
    const int64_t dayMs = 86400000;
    int64_t days = utcMs / dayMs;
    int64_t tod = utcMs % dayMs;
    if (tod < 0) {
        tod += dayMs;
        --days;
    }
    const year_month_day ymd{sys_days{std::chrono::days{days}}};
    AppendDate(out, static_cast<int>(ymd.year()),
               static_cast<int>(static_cast<unsigned>(ymd.month())),
               static_cast<int>(static_cast<unsigned>(ymd.day())));
    out += 'T';
    AppendTime(out, tod);
    out += 'Z';
}

} // namespace r47
