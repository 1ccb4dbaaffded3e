// r47 export on files built record by record: positions between the fixes around each reading,
// local times from the stamps, the UTC offset from the fixes, and values and stations exactly
// as the viewer's line index gives them.

#include <gmock/gmock.h>

#include <sstream>
#include <tuple>
#include <vector>

#include "export_command.h"
#include "r47_program.h"
#include "tests/datafile/crafted_file.h"

namespace {

using ::testing::HasSubstr;

using tm47::CraftedFile;

// A GGA at 10:00:ss UTC with the given latitude minutes (47 degrees N, 8 degrees E).
std::string Gga(int second, std::string_view latMinutes, int quality = 1) {
    return tm47::WithChecksum("GPGGA,1000" + std::string(second < 10 ? "0" : "") +
                              std::to_string(second) + ".00,47" + std::string(latMinutes) +
                              ",N,00800.0000,E," + std::to_string(quality) +
                              ",08,0.9,412.5,M,47.0,M,,");
}

// The export of `file` by the r47 program.
struct Exported {
    tm47::TempDir dir;
    std::string path = (dir.Path() / "DATA.R47").string();
    Ran ran;
    std::vector<std::string> lines;

    explicit Exported(const CraftedFile& file, const std::string& options = "")
        : ran((file.WriteTo(path), R47("export " + path + " " + options))) {
        std::istringstream in(ran.out);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
    }
    std::string Field(std::size_t row, std::size_t field) const {
        std::size_t at = 0;
        for (std::size_t i = 0; i < field; ++i) {
            at = lines[row].find(',', at) + 1;
        }
        return lines[row].substr(at, lines[row].find(',', at) - at);
    }
    // A CSV row without the file name.
    std::string Row(std::size_t row) const { return lines[row].substr(path.size() + 1); }
};

const std::string kGpx = "--format gpx";

// Line "L1" from station 10 by 0.5; the stamp says 12:00:00.000 at tick 1000. Fixes at ticks
// 1000 (latitude 47 00.0000 N) and 2000 (47 00.6000 N, 0.01 degrees further).
CraftedFile TwoFixes() {
    CraftedFile f;
    f.Header(true).Line(u"L1", 10.0, 0.5f, {12, 0, 0}, 1000);
    f.Sentence(Gga(0, "00.0000"), 1000).Reading(100, 1250);
    f.Sentence(Gga(1, "00.6000"), 2000).Reading(200, 2000).Reading(300, 2600);
    return f;
}

TEST(R47Export, CsvRowsCarryTimePositionAndFix) {
    const Exported e(TwoFixes());
    EXPECT_EQ(e.ran.status, 0);
    ASSERT_EQ(e.lines.size(), 4u);
    EXPECT_EQ(e.lines[0], "file,line,station,date,time,tick,letter,ch1,ch2,ch3,ch4,lat,lon,alt,"
                          "fix,sats,hdop,fix_age_ms");
    EXPECT_EQ(e.Row(1), "L1,10.00,2024-05-17,12:00:00.250,1250,T,966.66,966.66,966.66,966.66,"
                        "47.0025000,8.0000000,412.5,1,8,0.9,250");
    // 600 ms after the last fix: nothing after it to interpolate towards.
    EXPECT_EQ(e.Row(3), "L1,11.00,2024-05-17,12:00:01.600,2600,T,2899.98,2899.98,2899.98,2899.98,"
                        ",,,,,,");
}

TEST(R47Export, MaxGapLagAndFixQualityDecideWhetherAPositionApplies) {
    // Fixes at ticks 1000 and 3000, the reading at 2000: midway, a lag, fixes further apart
    // than the gap, no fix, a lag back, an estimate, a float solution.
    using Case = std::tuple<int, const char*, const char*>;
    const Case cases[] = {
        {1, "", "47.0050000"}, {1, "--lag 0.5", "47.0025000"}, {1, "--max-gap 0.9", ""},
        {0, "", ""},           {1, "--lag -1", "47.0100000"},  {6, "", ""},
        {5, "", "47.0050000"},
    };
    for (auto [quality, options, lat] : cases) {
        SCOPED_TRACE(std::to_string(quality) + " " + options);
        CraftedFile f;
        f.Header(true).Line(u"L1", 0.0, 1.0f, {12, 0, 0}, 1000);
        f.Sentence(Gga(0, "00.0000"), 1000).Reading(100, 2000);
        const Exported e(f.Sentence(Gga(2, "00.6000", quality), 3000), options);
        ASSERT_EQ(e.lines.size(), 2u);
        EXPECT_EQ(e.Field(1, 11), lat);
    }
}

// Ticks that go back (a damaged or spliced file) start the track again: the fixes before the
// jump are not used for readings after it. Time running past midnight moves to the next day.
TEST(R47Export, TicksGoingBackStartTheTrackAgainAndMidnightTheDay) {
    CraftedFile f;
    f.Header(true).Line(u"J", 0.0, 1.0f, {12, 0, 0}, 1000);
    f.Sentence(Gga(0, "00.0000"), 1000).Reading(1, 1500);
    f.Sentence(Gga(1, "00.6000"), 2000).Reading(2, 500); // back in time
    f.Sentence(Gga(2, "01.2000"), 1800).Sentence(Gga(3, "01.8000"), 2800).Reading(3, 2300);
    const Exported e(f);
    ASSERT_EQ(e.lines.size(), 4u);
    EXPECT_EQ(e.Field(1, 11), "47.0050000");
    EXPECT_EQ(e.Field(2, 11), ""); // nothing before it since the jump
    EXPECT_EQ(e.Field(3, 11), "47.0250000");

    CraftedFile night;
    // The line's stamp says 23:59:59.000 at tick 1000; a later stamp just after midnight.
    night.Header(false).Line(u"N", 0.0, 1.0f, {23, 59, 59}, 1000).Reading(1, 1900);
    night.Add(tm47::TimeStampRecord({2024, 5, 18, 0, 0, 0, 500}, 2500)).Reading(2, 2600);
    const Exported n(night);
    ASSERT_EQ(n.lines.size(), 3u);
    EXPECT_EQ(n.Field(1, 3) + " " + n.Field(1, 4), "2024-05-17 23:59:59.900");
    EXPECT_EQ(n.Field(2, 3) + " " + n.Field(2, 4), "2024-05-18 00:00:00.600");
}

// The UTC offset is local minus UTC to the quarter hour, across midnight either way.
TEST(R47Export, UtcOffsetIsRoundedToTheQuarterHourAcrossMidnight) {
    constexpr int64_t h = 3600000, m = 60000;
    EXPECT_EQ(r47::UtcOffsetMs(12 * h + 7 * m + 40000, 10 * h), 2 * h + 15 * m);
    EXPECT_EQ(r47::UtcOffsetMs(12 * h + 7 * m, 10 * h), 2 * h);
    EXPECT_EQ(r47::UtcOffsetMs(h / 2, 23 * h + h / 2), h);
    EXPECT_EQ(r47::UtcOffsetMs(10 * h, 20 * h + 45 * m), -(10 * h + 45 * m));
}

TEST(R47Export, GpxPointsCarryUtcTimesFromTheFixesOrTheGivenOffset) {
    // Local 12:00:00 at the first fix, UTC 10:00:00: two hours ahead.
    EXPECT_THAT(Exported(TwoFixes(), kGpx).ran.out,
                HasSubstr("<trkpt lat=\"47.0025000\" lon=\"8.0000000\"><ele>412.5</ele>"
                          "<time>2024-05-17T10:00:00.250Z</time><sat>8</sat><hdop>0.9</hdop>"));
    EXPECT_THAT(Exported(TwoFixes(), kGpx + " --utc-offset -5").ran.out,
                HasSubstr("<time>2024-05-17T17:00:00.250Z</time>"));
}

// Stations and values as the viewer's line index gives them (gap rows left out): offset groups,
// a new station, a marker and GPS records in the line, then a second line.
TEST(R47Export, StationsAndValuesFollowTheLinesAsTheViewerReadsThem) {
    CraftedFile f;
    f.Header(true).Line(u"AB", 100.0, 0.5f, {12, 0, 0}, 1000);
    f.Reading(1200, 1100, 'D').Reading(-800, 1200, 'D').Reading(32000, 1300, 'D');
    f.Offsets({12.5f, 25.0f, 37.5f, 50.0f}).Reading(500, 1400, 'N');
    f.Sentence(Gga(1, "00.0000"), 1400);
    f.Add(tm47::StationRecord(200.0, {2024, 5, 17, 12, 0, 1, 0})).Reading(600, 1500, 'j');
    f.Add(tm47::NoteRecord('X', u"$PAUSED", 1600)).Reading(700, 1700, 'k');
    f.Line(u"CD", 0.0, 1.0f, {12, 1, 0}, 1700).Reading(-1, 1800, 'E');
    const Exported e(f);
    std::vector<std::string> rows;
    for (std::size_t r = 1; r < e.lines.size(); ++r) { // line, station, the four channels
        rows.push_back(e.Field(r, 1) + " " + e.Field(r, 2) + " " + e.Field(r, 7) + " " +
                       e.Field(r, 8) + " " + e.Field(r, 9) + " " + e.Field(r, 10));
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"AB 100.00 11599.92 11599.92 11599.92 23241.57",
                                              "AB 100.50 -7733.28 -7733.28 -7733.28 -15494.38",
                                              "AB 101.00 309331.19 309331.19 309331.19 619775.06",
                                              "AB 101.50 4820.80 4808.30 4795.80 9633.99",
                                              "AB 200.00 2604.73 3927.67 5887.16 35190.56",
                                              "AB 201.00 3040.94 4586.45 6874.60 41063.98",
                                              "CD 0.00 -4.36 -6.59 -9.80 -14.59"}));
}

TEST(R47Export, SkippedPartsAreNamedAndGiveExitStatusOne) {
    CraftedFile cut = TwoFixes();
    cut.bytes.resize(cut.bytes.size() - 5);
    EXPECT_EQ(Exported(cut).ran.status, 1);
    CraftedFile noLine;
    noLine.Header(false).Reading(1, 10);
    const Exported e(noLine);
    EXPECT_EQ(e.ran.status, 1);
    EXPECT_EQ(e.lines.size(), 1u); // the header row only
    EXPECT_EQ(R47("export " + e.path + ".MISSING").status, 2);
}

} // namespace
