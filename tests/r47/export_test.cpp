// r47 export on files built record by record: positions between the fixes around each reading,
// local times from the stamps, the UTC offset from the fixes, and values and stations exactly
// as the viewer's line index gives them.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <tuple>
#include <vector>

#include "config/settings.h"
#include "export_command.h"
#include "r47_file_support.h"
#include "viewer/line_index.h"

namespace {

using r47test::FileBytes;
using r47test::WithChecksum;

// A GGA at 10:00:ss UTC with the given latitude minutes (47 degrees N, 8 degrees E).
std::string Gga(int second, std::string_view latMinutes, int quality = 1) {
    return WithChecksum("GPGGA,1000" + std::string(second < 10 ? "0" : "") +
                        std::to_string(second) + ".00,47" + std::string(latMinutes) +
                        ",N,00800.0000,E," + std::to_string(quality) + ",08,0.9,412.5,M,47.0,M,,");
}

struct Exported {
    int status = 0;
    std::vector<std::string> lines;
    std::string all;
};

Exported Export(const std::vector<std::string>& files, r47::ExportOptions options = {}) {
    r47test::TempFolder dir;
    const std::string path = (dir.Path() / "out").string();
    std::FILE* out = std::fopen(path.c_str(), "wb");
    std::FILE* err = std::fopen((dir.Path() / "err").c_str(), "wb");
    Exported e;
    e.status = r47::RunExport(files, options, out, err);
    std::fclose(out);
    std::fclose(err);
    std::istringstream in(r47test::ReadAll(path));
    for (std::string line; std::getline(in, line);) {
        e.lines.push_back(line);
        e.all += line + "\n";
    }
    return e;
}

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> out;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, ',')) {
        out.push_back(field);
    }
    if (!line.empty() && line.back() == ',') {
        out.push_back("");
    }
    return out;
}

// Line "L1" from station 10 by 0.5; the stamp says 12:00:00.000 at tick 1000. Fixes at ticks
// 1000 (latitude 47 00.0000 N) and 2000 (47 00.6000 N, 0.01 degrees further).
FileBytes TwoFixes() {
    FileBytes f;
    f.Header(true).Line(u"L1", 10.0, 0.5f, 12, 0, 0, 1000);
    f.Sentence(Gga(0, "00.0000"), 1000);
    f.Reading(100, 1250);
    f.Sentence(Gga(1, "00.6000"), 2000);
    f.Reading(200, 2000);
    f.Reading(300, 2600);
    return f;
}

// The fields of a CSV row without the file name and the four channels.
std::string Fields(const std::string& line) {
    const std::vector<std::string> f = Split(line);
    std::string out;
    for (std::size_t i = 1; i < f.size(); ++i) {
        out += (i >= 7 && i <= 10) ? "" : f[i] + (i + 1 < f.size() ? "," : "");
    }
    return out;
}

TEST(R47Export, CsvRowsCarryTimePositionAndFix) {
    r47test::TempFolder dir;
    const std::string path = TwoFixes().WriteTo(dir.Path() / "FIX.R47");
    const Exported e = Export({path});
    EXPECT_EQ(e.status, 0);
    ASSERT_EQ(e.lines.size(), 4u);
    EXPECT_EQ(e.lines[0], "file,line,station,date,time,tick,letter,ch1,ch2,ch3,ch4,lat,lon,alt,"
                          "fix,sats,hdop,fix_age_ms");
    EXPECT_EQ(e.lines[1].find(path + ",L1,"), 0u);
    EXPECT_EQ(Split(e.lines[1]).size(), 18u);
    EXPECT_EQ(Fields(e.lines[1]),
              "L1,10.00,2024-05-17,12:00:00.250,1250,T,47.0025000,8.0000000,412.5,1,8,0.9,250");
    EXPECT_EQ(Fields(e.lines[2]),
              "L1,10.50,2024-05-17,12:00:01.000,2000,T,47.0100000,8.0000000,412.5,1,8,0.9,0");
    // 600 ms after the last fix: nothing after it to interpolate towards.
    EXPECT_EQ(Fields(e.lines[3]), "L1,11.00,2024-05-17,12:00:01.600,2600,T,,,,,,,");
}

TEST(R47Export, MaxGapLagAndFixQualityDecideWhetherAPositionApplies) {
    // Fixes at ticks 1000 and 3000, the reading at 2000.
    const struct {
        const char* name;
        int secondFixQuality;
        double maxGapS, lagS;
        const char* lat;
    } cases[] = {
        {"bracketed", 1, 5.0, 0.0, "47.0050000"},
        {"a lag of 0.5 s looks back", 1, 5.0, 0.5, "47.0025000"},
        {"a negative lag looks ahead", 1, 5.0, -1.0, "47.0100000"},
        {"fixes further than the gap", 1, 0.9, 0.0, ""},
        {"quality 0 is no fix", 0, 5.0, 0.0, ""},
        {"quality 6 is an estimate", 6, 5.0, 0.0, ""},
        {"quality 5 counts", 5, 5.0, 0.0, "47.0050000"},
    };
    r47test::TempFolder dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FileBytes f;
        f.Header(true).Line(u"L1", 0.0, 1.0f, 12, 0, 0, 1000);
        f.Sentence(Gga(0, "00.0000"), 1000);
        f.Reading(100, 2000);
        f.Sentence(Gga(2, "00.6000", c.secondFixQuality), 3000);
        r47::ExportOptions options;
        options.maxGapS = c.maxGapS;
        options.lagS = c.lagS;
        const Exported e = Export({f.WriteTo(dir.Path() / "GAP.R47")}, options);
        ASSERT_EQ(e.lines.size(), 2u);
        EXPECT_EQ(Split(e.lines[1])[11], c.lat);
    }
}

// Ticks that go back (a damaged or spliced file) start the track again: the fixes before the
// jump are not used for readings after it.
TEST(R47Export, TicksGoingBackStartTheTrackAgain) {
    r47test::TempFolder dir;
    FileBytes f;
    f.Header(true).Line(u"J", 0.0, 1.0f, 12, 0, 0, 1000);
    f.Sentence(Gga(0, "00.0000"), 1000);
    f.Reading(1, 1500);
    f.Sentence(Gga(1, "00.6000"), 2000);
    f.Reading(2, 500); // back in time
    f.Sentence(Gga(2, "01.2000"), 1800);
    f.Sentence(Gga(3, "01.8000"), 2800);
    f.Reading(3, 2300);
    const Exported e = Export({f.WriteTo(dir.Path() / "JUMP.R47")});
    ASSERT_EQ(e.lines.size(), 4u);
    EXPECT_EQ(Split(e.lines[1])[11], "47.0050000");
    EXPECT_EQ(Split(e.lines[2])[11], ""); // nothing before it since the jump
    EXPECT_EQ(Split(e.lines[3])[11], "47.0250000");
}

TEST(R47Export, TimeRunningPastMidnightMovesToTheNextDay) {
    r47test::TempFolder dir;
    FileBytes f;
    f.Header(false).Line(u"N", 0.0, 1.0f, 23, 59, 59, 1000);
    // The line's stamp says 23:59:59.000 at tick 1000; a later stamp just after midnight.
    f.Reading(1, 1900);
    f.Add(tm47::TimeStampRecord({2024, 5, 18, 0, 0, 0, 500}, 2500));
    f.Reading(2, 2600);
    const Exported e = Export({f.WriteTo(dir.Path() / "NIGHT.R47")});
    ASSERT_EQ(e.lines.size(), 3u);
    EXPECT_EQ(Split(e.lines[1])[3] + " " + Split(e.lines[1])[4], "2024-05-17 23:59:59.900");
    EXPECT_EQ(Split(e.lines[2])[3] + " " + Split(e.lines[2])[4], "2024-05-18 00:00:00.600");
}

// The UTC offset is local minus UTC to the quarter hour, across midnight either way; the GPX
// fix type follows the GGA quality and the GSA mode.
TEST(R47Export, UtcOffsetAndGpxFix) {
    constexpr int64_t h = 3600000, m = 60000;
    EXPECT_EQ(r47::UtcOffsetMs(12 * h + 7 * m + 40000, 10 * h), 2 * h + 15 * m);
    EXPECT_EQ(r47::UtcOffsetMs(12 * h + 7 * m, 10 * h), 2 * h);
    EXPECT_EQ(r47::UtcOffsetMs(h / 2, 23 * h + h / 2), h);
    EXPECT_EQ(r47::UtcOffsetMs(23 * h + h / 2, h / 2), -h);
    EXPECT_EQ(r47::UtcOffsetMs(10 * h, 20 * h + 45 * m), -(10 * h + 45 * m));
    const std::tuple<int, std::optional<int>, const char*> fixes[] = {
        {1, 3, "3d"},  {1, 2, "2d"},  {1, std::nullopt, ""}, {2, std::nullopt, "dgps"},
        {3, 3, "pps"}, {5, 3, "dgps"}};
    for (const auto& [quality, mode, text] : fixes) {
        EXPECT_EQ(r47::GpxFix(quality, mode), text) << quality;
    }
}

TEST(R47Export, GpxPointsCarryUtcTimesFromTheFixesOrTheGivenOffset) {
    r47test::TempFolder dir;
    const std::string path = TwoFixes().WriteTo(dir.Path() / "FIX.R47");
    r47::ExportOptions options;
    options.format = r47::ExportFormat::Gpx;
    // Local 12:00:00 at the first fix, UTC 10:00:00: two hours ahead.
    const std::string all = Export({path}, options).all;
    EXPECT_NE(all.find("<trkpt lat=\"47.0025000\" lon=\"8.0000000\"><ele>412.5</ele>"
                       "<time>2024-05-17T10:00:00.250Z</time><sat>8</sat><hdop>0.9</hdop>"),
              std::string::npos)
        << all;
    options.utcOffsetHours = -5.0;
    EXPECT_NE(Export({path}, options).all.find("<time>2024-05-17T17:00:00.250Z</time>"),
              std::string::npos);
}

// A real receiver's capture, one epoch a second, logged with a reading at each GGA's tick and
// one halfway to the next: GPX points at the receiver's own positions, "3d" from its GSA.
TEST(R47Export, RealCaptureGivesTheReceiversPositions) {
    std::ifstream in(std::string(TM47_TEST_DATA) + "/nmea/bu353-glonass.nmea");
    ASSERT_TRUE(in);
    FileBytes f;
    // Local 10:14:11 at tick 0: two hours ahead of the receiver's 08:14:11 UTC.
    f.Header(true).Line(u"CAP", 0.0, 1.0f, 10, 14, 11, 0);
    uint32_t tick = 0;
    int ggas = 0;
    for (std::string line; std::getline(in, line) && ggas < 20;) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.find("GGA,") == 3) {
            tick = static_cast<uint32_t>(++ggas) * 1000; // 08:14:12 is ggas 1, tick 1000
            f.Sentence(line, tick);
            f.Reading(1, tick);
            f.Reading(2, tick + 500);
        } else {
            f.Sentence(line, tick + 100);
        }
    }
    r47test::TempFolder dir;
    r47::ExportOptions options;
    options.format = r47::ExportFormat::Gpx;
    const std::string all = Export({f.WriteTo(dir.Path() / "CAPTURE.R47")}, options).all;
    // The capture's first GGA: 5541.1956 N 03737.2877 E, 66.2 m, 5 satellites, HDOP 4.87.
    EXPECT_NE(all.find("<trkpt lat=\"55.6865933\" lon=\"37.6214617\"><ele>66.2</ele>"
                       "<time>2024-05-17T08:14:12.000Z</time>"),
              std::string::npos)
        << all.substr(0, 600);
    EXPECT_NE(all.find("<fix>3d</fix><sat>5</sat><hdop>4.9</hdop>"), std::string::npos);
}

// Values and stations as the viewer's LINE.TMP has them, row for row, gap rows skipped: offset
// groups, a new station, a marker and GPS records in the line.
TEST(R47Export, AgreesWithTheViewersLineIndexRowByRow) {
    r47test::TempFolder dir;
    FileBytes f;
    f.Header(true).Line(u"AB", 100.0, 0.5f, 12, 0, 0, 1000);
    uint32_t tick = 1000;
    for (int16_t raw : {1200, -800, 32000}) {
        f.Reading(raw, tick += 100, 'D');
    }
    for (int i = 0; i < 4; ++i) {
        f.Add(tm47::NullingOffsetRecord(12.5f * static_cast<float>(i + 1), 0.0f));
    }
    f.Reading(500, tick += 100, 'N');
    f.Sentence(Gga(1, "00.0000"), tick);
    f.Add(tm47::StationRecord(200.0, {2024, 5, 17, 12, 0, 1, 0}));
    f.Reading(600, tick += 100, 'j');
    f.Add(tm47::NoteRecord('X', u"$PAUSED", tick += 100));
    f.Reading(700, tick += 100, 'k');
    f.Line(u"CD", 0.0, 1.0f, 12, 1, 0, tick);
    f.Reading(-1, tick += 100, 'E');
    const std::string path = f.WriteTo(dir.Path() / "VIEW.R47");

    const Exported e = Export({path});
    ASSERT_EQ(e.lines.size(), 8u);
    std::FILE* data = std::fopen(path.c_str(), "rb");
    ASSERT_NE(data, nullptr);
    const tm47::LineTable lines = tm47::BuildLineList(data);
    ASSERT_EQ(lines.LineCount(), 2);
    tm47::Settings settings; // the file header's: standard instrument, antenna 0
    std::size_t row = 1;
    for (int32_t line = 1; line <= 2; ++line) {
        tm47::OffsetOrder order = tm47::OffsetOrder::BeforeNormalising;
        const auto indexPath = dir.Path() / "LINE.TMP";
        const int64_t rows = tm47::BuildLineIndex(data, lines, line, settings, order, indexPath);
        const std::string index = r47test::ReadAll(indexPath);
        for (int64_t r = 0; r < rows; ++r) {
            const std::string_view text(index.data() + r * 61, 61);
            const tm47::IndexPoint p = tm47::ParseIndexRow(text);
            if (!p.valid) {
                continue;
            }
            ASSERT_LT(row, e.lines.size());
            const std::vector<std::string> f = Split(e.lines[row++]);
            for (std::size_t field = 0; field < 5; ++field) {
                std::string expected(text.substr(field * 12, 12));
                expected.erase(0, expected.find_first_not_of(' '));
                EXPECT_EQ(f[2 + (field == 0 ? 0 : field + 4)], expected)
                    << "line " << line << " row " << r << " field " << field;
            }
        }
    }
    std::fclose(data);
    EXPECT_EQ(row, e.lines.size());
}

TEST(R47Export, SkippedPartsAreNamedAndGiveExitStatusOne) {
    r47test::TempFolder dir;
    FileBytes f = TwoFixes();
    f.Bytes().resize(f.Bytes().size() - 5);
    FileBytes before;
    before.Header(false).Reading(1, 10);
    EXPECT_EQ(Export({f.WriteTo(dir.Path() / "CUT.R47")}).status, 1);
    const Exported e = Export({before.WriteTo(dir.Path() / "NOLINE.R47")});
    EXPECT_EQ(e.status, 1);
    EXPECT_EQ(e.lines.size(), 1u); // the header row only
    EXPECT_EQ(Export({(dir.Path() / "MISSING.R47").string()}).status, 2);
}

} // namespace
