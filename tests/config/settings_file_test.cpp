#include "config/settings_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tm47 {
namespace {

namespace fs = std::filesystem;

// What a new file holds, line by line.
const std::vector<std::string> kDefaultLines = {
    "CEVer2.31", "0",   "0",        "0", "0",        "0",          "0",        "1",
    "1",         "1",   "1",        "2", "3",        "4",          "1",        "16711680",
    "65280",     "255", "16711935", "0", "0.000000", "500.000000", "0",        "1",
    "1",         "1",   "0",        "0", "0",        "1.000000",   "0.200000", "2.000000",
    "0.200000",  "0",   "1.000000", "0", "1",        "0.000000",   "0",        "0",
    "0",         "1",   "3",        "1", "0",        "0",          "0",
};

std::string CrLf(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) {
        out += l + "\r\n";
    }
    return out;
}

// The default file with some lines (numbered from 1) replaced.
std::string DefaultsWith(std::initializer_list<std::pair<int, std::string>> changes) {
    std::vector<std::string> lines = kDefaultLines;
    for (const auto& [line, text] : changes) {
        lines.at(line - 1) = text;
    }
    return CrLf(lines);
}

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "tm47-config-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        settings_.profilePlotHeight = 200;
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path File() const { return dir_ / "Storage" / "TALINI" / "TM47KVB.INI"; }
    std::string FileBytes() const {
        std::ifstream in(File(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void PutFile(const std::string& bytes) const {
        fs::create_directories(File().parent_path());
        std::ofstream(File(), std::ios::binary) << bytes;
    }
    DeviceRoot Root() const { return DeviceRoot(dir_); }
    SettingsLoad Load(const std::string& bytes) {
        PutFile(bytes);
        return LoadSettings(settings_, Root());
    }

    fs::path dir_;
    Settings settings_;
};

TEST_F(SettingsFileTest, MissingFileIsCreatedFromTheDefaultsByteForByte) {
    ASSERT_EQ(kDefaultLines.size(), 47u);
    EXPECT_EQ(LoadSettings(settings_, Root()), SettingsLoad::Missing);
    EXPECT_EQ(FileBytes(), CrLf(kDefaultLines));
    EXPECT_FALSE(fs::exists(File().string() + ".new"));
    // The derived values are made even though nothing was read.
    EXPECT_EQ(settings_.profilePixelsPerUnit, 0.4f);
    EXPECT_EQ(settings_.activeStationIncrement, 1.0f);
    EXPECT_EQ(settings_.readingIntervalMs, 200);
    EXPECT_EQ(settings_.cyclesPerReading, 4);
}

TEST_F(SettingsFileTest, ForeignFileIsReplacedAndNoneOfItsValuesKept) {
    const char* const tags[] = {"CEVer2.30", "cever2.31", "CEVer2.31 ", " CEVer2.31",
                                "CEVer2.3",  "",          "\xff\xfe"};
    for (const char* tag : tags) {
        settings_ = Settings{};
        settings_.profilePlotHeight = 200;
        std::string foreign = std::string(tag) + "\r\n";
        for (int i = 2; i <= 47; ++i) {
            foreign += "3\r\n";
        }
        EXPECT_EQ(Load(foreign), SettingsLoad::Foreign) << tag;
        EXPECT_EQ(FileBytes(), CrLf(kDefaultLines)) << tag;
        EXPECT_EQ(settings_.antenna, 0) << tag;
        EXPECT_EQ(settings_.readingInterval, 0.2f) << tag;
        EXPECT_EQ(settings_.surveyLine, u"0") << tag;
    }
    EXPECT_EQ(Load(""), SettingsLoad::Foreign);
    EXPECT_EQ(FileBytes(), CrLf(kDefaultLines));
}

TEST_F(SettingsFileTest, EveryLineLoadsIntoItsFieldAndSavesBackUnchanged) {
    const std::vector<std::string> lines = {
        "CEVer2.31", "1",           "3",          "1",           "11",       "1",
        "2",         "0",           "1",          "0",           "1",        "4",
        "1",         "2",           "3",          "1193046",     "0",        "16777215",
        "11259375",  "1",           "-12.500000", "750.250000",  "1",        "5",
        "5",         "0",           "2",          "1",           "2",        "0.125000",
        "0.500000",  "0.750000",    "0.250000",   "L-123456789", "2.500000", "1",
        "3",         "-123.456000", "0",          "1",           "1",        "7",
        "0",         "0",           "1",          "1",           "1"};
    EXPECT_EQ(Load(CrLf(lines)), SettingsLoad::Loaded);
    EXPECT_EQ(settings_.instrumentVariant, 1);
    EXPECT_EQ(settings_.instrumentPort, 11);
    EXPECT_EQ(settings_.channelThickness, (std::array<int32_t, 4>{4, 1, 2, 3}));
    EXPECT_EQ(settings_.channelColour[3], 0xABCDEF);
    EXPECT_EQ(settings_.profileScaleMin, -12.5f);
    EXPECT_EQ(settings_.surveyLine, u"L-123456789");
    EXPECT_EQ(settings_.startStation, -123.456);
    EXPECT_EQ(settings_.writeTestFile, 1);
    EXPECT_EQ(settings_.activeStationIncrement, 0.75f);
    EXPECT_EQ(settings_.readingIntervalMs, 250);
    ASSERT_TRUE(SaveSettings(settings_, Root()));
    EXPECT_EQ(FileBytes(), CrLf(lines));
}

// The reading interval gives timer 1's period and the cycles per reading; the survey mode
// chooses among the auto, wheel and manual station increments (1.5, 0.25, 3 here).
TEST_F(SettingsFileTest, DerivedValuesFollowTheLoadedLines) {
    const struct {
        const char *interval, *mode;
        int32_t ms, cycles;
        float increment;
    } cases[] = {{"0.200000", "0", 200, 4, 1.5f},
                 {"1.000000", "1", 1000, 18, 0.25f},
                 {"0.010000", "2", 10, 1, 3.0f},
                 {"0.200000", "7", 200, 4, 1.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.interval << " mode " << c.mode);
        settings_ = Settings{};
        EXPECT_EQ(Load(DefaultsWith({{29, c.mode},
                                     {30, "1.500000"},
                                     {31, "0.250000"},
                                     {32, "3.000000"},
                                     {33, c.interval}})),
                  SettingsLoad::Loaded);
        EXPECT_EQ(settings_.readingIntervalMs, c.ms);
        EXPECT_EQ(settings_.cyclesPerReading, c.cycles);
        EXPECT_EQ(settings_.activeStationIncrement, c.increment);
    }
}

TEST_F(SettingsFileTest, ScaleWithoutRangeGivesFinitePixelsPerUnit) {
    // Plot 200 pixels high; a scale whose maximum is not above its minimum is drawn as
    // minimum .. minimum + 100.
    const struct {
        const char* min;
        const char* max;
        float pixelsPerUnit;
    } cases[] = {
        {"0.000000", "500.000000", 0.4f},
        {"-100.000000", "100.000000", 1.0f},
        {"100.000000", "100.000000", 2.0f},
        {"300.000000", "100.000000", 2.0f},
        {"0.000000", "nan", 2.0f},
        {"inf", "inf", 2.0f},
        {"1e30", "0", 2.0f},
        {"0", "1e-44", 2.0f},
    };
    for (const auto& c : cases) {
        Load(DefaultsWith({{21, c.min}, {22, c.max}}));
        EXPECT_EQ(settings_.profilePixelsPerUnit, c.pixelsPerUnit) << c.min << " " << c.max;
    }
    Load(DefaultsWith({{21, "300.000000"}, {22, "100.000000"}}));
    EXPECT_EQ(settings_.profileScaleMin, 300.0f);
    EXPECT_EQ(settings_.profileScaleMax, 100.0f);
}

TEST_F(SettingsFileTest, StorageCardChoiceNeedsACard) {
    for (bool card : {false, true}) {
        if (card) {
            fs::create_directories(dir_ / "Storage Card");
        }
        Load(DefaultsWith({{39, "1"}}));
        EXPECT_EQ(settings_.storageCardPresent, card ? 1 : 0);
        EXPECT_EQ(settings_.dataStorage, card ? 1 : 0);
    }
}

TEST_F(SettingsFileTest, ShortFileKeepsTheValuesItLacks) {
    EXPECT_EQ(Load("CEVer2.31\r\n"), SettingsLoad::Loaded);
    Settings expected;
    expected.profilePlotHeight = 200;
    UpdateDerivedSettings(expected);
    EXPECT_TRUE(settings_ == expected);

    settings_ = Settings{};
    Load("CEVer2.31\r\n1\r\n2"); // the last line has no line end
    EXPECT_EQ(settings_.instrumentVariant, 1);
    EXPECT_EQ(settings_.antenna, 2);
    EXPECT_EQ(settings_.units, 0);

    settings_ = Settings{};
    std::vector<std::string> lines(kDefaultLines.begin(), kDefaultLines.begin() + 33);
    lines[32] = "1.000000";
    Load(CrLf(lines));
    EXPECT_EQ(settings_.cyclesPerReading, 18);
    EXPECT_EQ(settings_.surveyLine, u"0");
    EXPECT_EQ(settings_.lineDirection, 1);
}

TEST_F(SettingsFileTest, OverlongLinesAreCutAndTheFollowingLinesStayInPlace) {
    Load(DefaultsWith({{2, "1" + std::string(5000, ' ')},
                       {3, "2"},
                       {34, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"},
                       {35, "2.500000"},
                       {38, std::string(3000, '7')},
                       {39, "0"},
                       {40, "1"}}));
    EXPECT_EQ(settings_.instrumentVariant, 1);
    EXPECT_EQ(settings_.antenna, 2);
    EXPECT_EQ(settings_.surveyLine, u"ABCDEFGHIJK");
    EXPECT_EQ(settings_.lineIncrement, 2.5f);
    EXPECT_EQ(settings_.outputEnabled, 1);

    Load(DefaultsWith({{34, "Line\xe9"}})); // 8-bit text is Latin-1
    EXPECT_EQ(settings_.surveyLine, u"Line\u00e9");
}

TEST_F(SettingsFileTest, FailedSaveKeepsTheOldFileAndTheRecord) {
    ASSERT_TRUE(SaveSettings(settings_, Root()));
    fs::create_directories(File().string() + ".new"); // the new file cannot be made
    Settings changed = settings_;
    changed.antenna = 2;
    EXPECT_FALSE(SaveSettings(changed, Root()));
    EXPECT_EQ(changed.antenna, 2);
    EXPECT_EQ(FileBytes(), CrLf(kDefaultLines));

    // No folder can be made at all: loading goes on with the values in memory.
    fs::remove_all(dir_ / "Storage");
    std::ofstream(dir_ / "Storage") << "x";
    EXPECT_EQ(LoadSettings(changed, Root()), SettingsLoad::Missing);
    EXPECT_EQ(changed.antenna, 2);
}

TEST(ReadTextLine, EndsAtLineFeedOrEndOfFileAndStaysInItsBuffer) {
    using namespace std::string_literals;
    const struct {
        std::string bytes;
        std::vector<std::string> lines; // what successive calls keep; then end of file
    } cases[] = {
        {"abc\r\nde\r\n", {"abc", "de"}},
        {"abc\nde", {"abc", "de"}},
        {"\r\n\n\r\r\n", {"", "", "\r"}},
        {"", {}},
        {"abcdefgh\r\nxy\r\n", {"abc", "xy"}},
        {"abc\r\n", {"abc"}},
        {"ab\r", {"ab"}},
        {"a\0b\r\n"s, {"a\0b"s}},
    };
    for (const auto& c : cases) {
        std::FILE* f = std::tmpfile();
        ASSERT_NE(f, nullptr);
        std::fwrite(c.bytes.data(), 1, c.bytes.size(), f);
        std::rewind(f);
        char buf[8];
        for (const auto& expected : c.lines) {
            std::fill(buf, buf + 8, 'Z');
            const long kept = ReadTextLine(f, buf, 4); // room for 3 bytes and the NUL
            EXPECT_EQ(std::string(buf, kept > 0 ? kept : 0), expected) << c.bytes;
            EXPECT_EQ(buf[kept], '\0');
            EXPECT_EQ(std::string(buf + 4, 4), "ZZZZ") << c.bytes;
        }
        EXPECT_EQ(ReadTextLine(f, buf, 4), -1) << c.bytes;
        std::fclose(f);
    }
}

TEST_F(SettingsFileTest, NumbersIgnoreTheProcessLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed (locale-gen de_DE.UTF-8)";
    }
    ASSERT_TRUE(SaveSettings(settings_, Root()));
    const std::string written = FileBytes();
    Load(DefaultsWith({{22, "250.500000"}, {33, "0.500000"}}));
    std::setlocale(LC_ALL, previous.c_str());

    EXPECT_EQ(written, CrLf(kDefaultLines));
    EXPECT_EQ(settings_.profileScaleMax, 250.5f);
    EXPECT_EQ(settings_.readingInterval, 0.5f);
    EXPECT_EQ(settings_.readingIntervalMs, 500);
}

} // namespace
} // namespace tm47
