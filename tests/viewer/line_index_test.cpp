#include "viewer/line_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "datafile/records.h"
#include "tests/datafile/crafted_file.h"

namespace tm47 {
namespace {

const std::string kGap = "          -1       -9999       -9999       -9999       -9999\n";
const std::string kZeros = "        0.00        0.00        0.00        0.00\n";
const LocalTime kNoon{2024, 5, 17, 12, 0, 0, 0};

// A reading whose reference mean is the nominal one, or none (gain 1 either way).
Record M(std::array<int16_t, 4> raw, int16_t meanWhole = 0, int8_t meanHundredths = 0) {
    return TestReading('M', raw, meanWhole, meanHundredths);
}

// A data file in a private root, with the viewer's steps run on it.
struct Viewer {
    explicit Viewer(const std::string& bytes) : root(tmp_.Path()) {
        std::ofstream(tmp_.Path() / "SURVEY.R47", std::ios::binary) << bytes;
        file_ = std::fopen((tmp_.Path() / "SURVEY.R47").c_str(), "rb");
    }
    ~Viewer() { std::fclose(file_); }
    LineTable List() { return BuildLineList(file_); }
    // Builds the index of `line` and returns LINE.TMP's bytes.
    std::string Index(int32_t line) {
        rows = BuildLineIndex(file_, BuildLineList(file_), line, settings, order, root);
        return ReadAll(IndexPath());
    }
    std::filesystem::path IndexPath() const { return tmp_.Path() / "Storage/TALINI/LINE.TMP"; }

    Settings settings;
    OffsetOrder order = OffsetOrder::BeforeNormalising;
    int64_t rows = -1;
    TempDir tmp_;
    DeviceRoot root;
    std::FILE* file_;
};

// Every line is listed, beyond 99 too, with its start and its name up to the first space.
TEST(LineList, EveryLineIsListedWithItsStartAndItsNameUpToTheFirstSpace) {
    CraftedFile f;
    f.Header(false).Line(u"AB", 0, 1).Reading().Line(u"12 A", 0, 1).Reading();
    f.Line(u"12345678901", 0, 1).Reading();
    for (int i = 4; i <= 150; ++i) {
        const std::string name = std::to_string(i);
        f.Line(std::u16string(name.begin(), name.end()), 0, 1).Reading();
    }
    Viewer v(f.bytes);
    const LineTable t = v.List();
    ASSERT_EQ(t.LineCount(), 150);
    EXPECT_EQ((std::vector<std::u16string>{t.lineName[0], t.lineName[1], t.lineName[2]}),
              (std::vector<std::u16string>{u"AB", u"12", u"12345678"}));
    EXPECT_EQ((std::vector<int64_t>{t.lineStart[0], t.lineStart[1], t.lineStart[2]}),
              (std::vector<int64_t>{144, 360, 576}));
    EXPECT_EQ(t.lineName[149], u"150");
    EXPECT_EQ(t.lineStart[149], 32328);
    EXPECT_EQ(v.Index(150), "        0.00" + kZeros);

    EXPECT_EQ(Viewer(CraftedFile().Header(false).Reading().bytes).List().LineCount(), 0);
    EXPECT_EQ(Viewer("").List().LineCount(), 0);
    // An "L" record cut short is not a line.
    const std::string cut = CraftedFile().Header(false).Line(u"A", 0, 1).bytes + "LB  ";
    EXPECT_EQ(Viewer(cut).List().lineName, (std::vector<std::u16string>{u"A"}));
}

TEST(LineIndex, StationsGiveFourGapRowsMarkersOneAndWindowsOnlyPointRows) {
    CraftedFile f;
    f.Header(false).Line(u"1", 100, 0.5f).Add(M({100, -200, 0, 1})).Reading();
    f.Add(StationRecord(200.0, kNoon)).Reading().Add(NoteRecord('C', u"rock", 1));
    Viewer v(f.Add(NoteRecord('X', u"$PAUSED", 2)).Reading().bytes);
    EXPECT_EQ(v.Index(1), "      100.00      966.66    -1933.32        0.00        9.67\n"
                          "      100.50" +
                              kZeros + kGap + kGap + kGap + kGap + "      200.00" + kZeros + kGap +
                              "      201.00" + kZeros);
    EXPECT_EQ(v.rows, 9);

    // A window over it: slots of point rows are valid; gap rows, rows past the end and a
    // missing index are not; slot 0, outside the window, is left alone. (Moving the window is
    // the viewer window's test.)
    // The first ten slots' validity, and how many of slots 0 to 310 are valid.
    const auto valid = [](const PointWindow& w) {
        return std::make_pair(std::vector<int32_t>(w.pointValid.begin(), w.pointValid.begin() + 10),
                              std::count(w.pointValid.begin(), w.pointValid.begin() + 311, 1));
    };
    PointWindow w;
    w.pointValid.fill(1); // left over from an earlier window
    ASSERT_TRUE(LoadIndexWindow(w, 1, 310, 1, v.root));
    EXPECT_EQ(valid(w), std::make_pair(std::vector<int32_t>{1, 1, 1, 0, 0, 0, 0, 1, 0, 1}, 5L));
    EXPECT_EQ(w.pointChannel[1][1], -1933.32f);
    EXPECT_EQ(w.pointStation[7], 200.0f);
    std::filesystem::remove(v.IndexPath());
    w.pointValid.fill(1);
    EXPECT_FALSE(LoadIndexWindow(w, 1, 310, 1, v.root));
    EXPECT_EQ(valid(w), std::make_pair(std::vector<int32_t>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1L));
}

TEST(LineIndex, OffsetsComeFromTheLineHeaderAndLaterOffsetGroups) {
    // Reference mean 1500 against the nominal 3000: normalising doubles the values.
    CraftedFile f;
    f.Header(false).Line(u"P", 0, 1, {}, {}, {10, 20, 30, 40}).Add(M({}, 1500));
    f.Offsets({1, 2, 3, 4}).Add(M({}, 1500));
    Viewer v(f.Line(u"Q", 0, 1, {}, {}, {10, 20, 30, 40}, ' ').Add(M({}, 1500)).bytes);
    // Subtracted before normalising; the index ends at the next line.
    EXPECT_EQ(v.Index(1), "        0.00      -20.00      -40.00      -60.00      -80.00\n"
                          "        1.00       -2.00       -4.00       -6.00       -8.00\n");
    EXPECT_EQ(v.order, OffsetOrder::BeforeNormalising);
    // Subtracted after normalising; the choice stays in force for later decoding.
    EXPECT_EQ(v.Index(2), "        0.00      -10.00      -20.00      -30.00      -40.00\n");
    EXPECT_EQ(v.order, OffsetOrder::AfterNormalising);
}

TEST(LineIndex, CutFilesAndMissingLinesGiveWhatCanBeRead) {
    const std::string two = CraftedFile().Header(false).Line(u"T", 5, 1).Reading().Reading().bytes;
    // The file, the line asked for, the index.
    const std::tuple<std::string, int32_t, std::string> cases[] = {
        {two + std::string("M\0\1\2\3\4\5\6\7\x8\x9", 11), 1,
         "        5.00" + kZeros + "        6.00" + kZeros},
        {CraftedFile().Header(false).Line(u"T", 5, 1).bytes.substr(0, 200), 1, ""},
        {two, 0, ""},
        {two, 2, ""},
    };
    for (const auto& [data, line, index] : cases) {
        Viewer v(data);
        EXPECT_EQ(v.Index(line), index) << data.size() << " bytes, line " << line;
        EXPECT_EQ(v.rows, static_cast<int64_t>(index.size() / kIndexRowLength));
    }
}

TEST(LineIndex, AValueTooWideForItsFieldDoesNotShiftTheRowsAfterIt) {
    // A stored reference mean of 0.01 multiplies by 180000: channel 4 is about 3.5e11.
    CraftedFile f;
    f.Header(false).Line(u"W", 0, 1).Add(TestReading('F', {0, 0, 0, 32767}, 0, 1)).Reading();
    Viewer v(f.bytes);
    const std::string index = v.Index(1);
    ASSERT_EQ(index.size(), 2 * kIndexRowLength);
    EXPECT_EQ(index.substr(kIndexRowLength), "        1.00" + kZeros);
    const IndexPoint p = ParseIndexRow(std::string_view(index).substr(0, kIndexRowLength));
    ASSERT_TRUE(p.valid);
    EXPECT_NEAR(p.channel[3], 3.4641e11f, 0.0001e11f);
}

TEST(LineIndex, PointRowFieldsAreWhatPrintfWritesInTheCLocale) {
    // Ties, values that round to "-0.00", the widest values that still fit, random magnitudes and
    // exact ties in hundredths; the test process runs in the C locale, so snprintf is the
    // reference.
    std::vector<double> values = {-0.0,         0.125,        2.675,  -0.001,     0.005,
                                  999999999.99, -99999999.99, 1e-300, 123456.785, 4503599627370.5};
    std::mt19937_64 rng(7);
    for (int i = 0; i < 20000; ++i) {
        const double unit = (static_cast<double>(rng() % 2000001) - 1e6) / 1e6;
        values.push_back(unit * std::pow(10.0, static_cast<double>(rng() % 12) - 3.0));
        values.push_back(static_cast<double>(static_cast<int64_t>(rng() % 2000000) - 1000000) / 8);
    }
    for (double v : values) {
        const float f = static_cast<float>(v);
        char want[128];
        const int n = std::snprintf(want, sizeof want, "%12.2f%12.2f%12.2f%12.2f%12.2f\n", v,
                                    static_cast<double>(f), static_cast<double>(-f), 0.0, 0.0);
        if (n == static_cast<int>(kIndexRowLength)) { // else too wide: the exponent form
            ASSERT_EQ(PointRow(v, {f, -f, 0.0f, 0.0f}), want) << v;
        }
    }
}

} // namespace
} // namespace tm47
