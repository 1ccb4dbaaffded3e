#include "config/settings_file.h"

#include <gtest/gtest.h>

#include <clocale>
#include <iterator>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/datafile/temp_dir_support.h"
#include "tests/support/german_locale.h"

namespace tm47 {
namespace {

namespace fs = std::filesystem;

// The lines of a settings file, given separated by spaces.
std::vector<std::string> Lines(const std::string& spaced) {
    std::istringstream in(spaced);
    return {std::istream_iterator<std::string>(in), {}};
}

std::string CrLf(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) {
        out += l + "\r\n";
    }
    return out;
}

// What a new file holds, line by line.
const std::vector<std::string> kDefaultLines =
    Lines("CEVer2.31 0 0 0 0 0 0 1 1 1 1 2 3 4 1 16711680 65280 255 16711935 0 0.000000 "
          "500.000000 0 1 1 1 0 0 0 1.000000 0.200000 2.000000 0.200000 0 1.000000 0 1 "
          "0.000000 0 0 0 1 3 1 0 0 0");

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
    void SetUp() override { settings_.profilePlotHeight = 200; }
    fs::path File() const { return dir_ / "Storage" / "TALINI" / "TM47KVB.INI"; }
    std::string FileBytes() const { return ReadAll(File()); }
    DeviceRoot Root() const { return DeviceRoot(dir_); }
    SettingsLoad Load(const std::string& bytes) {
        fs::create_directories(File().parent_path());
        std::ofstream(File(), std::ios::binary) << bytes;
        return LoadSettings(settings_, Root());
    }

    TempDir tmp_;
    const fs::path& dir_ = tmp_.Path();
    Settings settings_;
};

TEST_F(SettingsFileTest, MissingFileIsCreatedFromTheDefaultsByteForByte) {
    EXPECT_EQ(LoadSettings(settings_, Root()), SettingsLoad::Missing);
    EXPECT_EQ(FileBytes(), CrLf(kDefaultLines));
    EXPECT_FALSE(fs::exists(File().string() + ".new"));
    // The derived values are made even though nothing was read.
    EXPECT_EQ(settings_.profilePixelsPerUnit, 0.4f);
    EXPECT_EQ(settings_.cyclesPerReading, 4);
}

TEST_F(SettingsFileTest, EveryLineLoadsIntoItsFieldAndSavesBackUnchanged) {
    const std::vector<std::string> lines =
        Lines("CEVer2.31 1 3 1 11 1 2 0 1 0 1 4 1 2 3 1193046 0 16777215 11259375 1 -12.500000 "
              "750.250000 1 5 5 0 2 1 2 0.125000 0.500000 0.750000 0.250000 L-123456789 "
              "2.500000 1 3 -123.456000 0 1 1 7 0 0 1 1 1");
    EXPECT_EQ(Load(CrLf(lines)), SettingsLoad::Loaded);
    EXPECT_EQ(settings_.channelThickness, (std::array<int32_t, 4>{4, 1, 2, 3}));
    EXPECT_EQ(settings_.channelColour[3], 0xABCDEF);
    EXPECT_EQ(settings_.surveyLine, u"L-123456789");
    EXPECT_EQ(settings_.startStation, -123.456);
    ASSERT_TRUE(SaveSettings(settings_, Root()));
    EXPECT_EQ(FileBytes(), CrLf(lines));
}

// The reading interval gives timer 1's period and the cycles per reading; the survey mode
// chooses among the auto, wheel and manual station increments (1, 0.2, 2 by default); the scale
// gives the pixels per unit of a 200-pixel plot, a maximum not above the minimum (or no finite
// range) counting as minimum .. minimum + 100.
TEST_F(SettingsFileTest, DerivedValuesFollowTheLoadedLines) {
    // Interval, mode, scale minimum and maximum lines; period, cycles, increment, pixels per unit.
    const std::tuple<const char*, const char*, const char*, const char*, int32_t, int32_t, float,
                     float>
        cases[] = {{"0.200000", "0", "0.000000", "500.000000", 200, 4, 1.0f, 0.4f},
                   {"1.000000", "1", "100.000000", "100.000000", 1000, 18, 0.2f, 2.0f},
                   {"0.010000", "2", "0.000000", "nan", 10, 1, 2.0f, 2.0f},
                   {"0.200000", "7", "0", "1e-44", 200, 4, 5.0f, 2.0f}};
    for (const auto& [interval, mode, scaleMin, scaleMax, ms, cycles, increment, ppu] : cases) {
        SCOPED_TRACE(testing::Message() << interval << " mode " << mode);
        settings_ = {};
        settings_.profilePlotHeight = 200;
        settings_.activeStationIncrement = 5.0f; // an unknown mode keeps it
        const std::string file =
            DefaultsWith({{21, scaleMin}, {22, scaleMax}, {29, mode}, {33, interval}});
        EXPECT_EQ(Load(file), SettingsLoad::Loaded);
        EXPECT_EQ(settings_.readingIntervalMs, ms);
        EXPECT_EQ(settings_.cyclesPerReading, cycles);
        EXPECT_EQ(settings_.activeStationIncrement, increment);
        EXPECT_EQ(settings_.profilePixelsPerUnit, ppu);
    }
}

TEST_F(SettingsFileTest, StorageCardChoiceNeedsACard) {
    Load(DefaultsWith({{39, "1"}}));
    EXPECT_EQ(std::pair(settings_.storageCardPresent, settings_.dataStorage), std::pair(0, 0));
    fs::create_directories(dir_ / "Storage Card");
    Load(DefaultsWith({{39, "1"}}));
    EXPECT_EQ(std::pair(settings_.storageCardPresent, settings_.dataStorage), std::pair(1, 1));
}

// A file of another version is replaced by the defaults and none of its values is kept; a short
// file keeps the values it lacks; an overlong line is cut and the following lines stay in place.
TEST_F(SettingsFileTest, ForeignShortAndOverlongFiles) {
    const std::string foreign = CrLf(std::vector<std::string>(46, "3"));
    const struct {
        std::string bytes;
        SettingsLoad load;
        int32_t variant = 0, antenna = 0, outputEnabled = 0;
        std::u16string line = u"0";
        double startStation = 0;
    } cases[] = {
        {"CEVer2.30\r\n" + foreign, SettingsLoad::Foreign},
        {"CEVer2.31 \r\n" + foreign, SettingsLoad::Foreign}, // a trailing blank
        {"", SettingsLoad::Foreign},
        {"CEVer2.31\r\n", SettingsLoad::Loaded},
        {"CEVer2.31\r\n1\r\n2", SettingsLoad::Loaded, 1, 2}, // no last line end
        {DefaultsWith({{2, "1" + std::string(5000, ' ')},
                       {3, "2"},
                       {34, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"},
                       {38, "-1.5" + std::string(3000, '0')},
                       {40, "1"}}),
         SettingsLoad::Loaded, 1, 2, 1, u"ABCDEFGHIJK", -1.5},
        {DefaultsWith({{34, "Line\xe9"}}), SettingsLoad::Loaded, 0, 0, 0, u"Line\u00e9"}, // Latin-1
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 12));
        settings_ = {};
        settings_.profilePlotHeight = 200;
        EXPECT_EQ(Load(c.bytes), c.load);
        Settings expected;
        expected.profilePlotHeight = 200;
        expected.instrumentVariant = c.variant;
        expected.antenna = c.antenna;
        expected.outputEnabled = c.outputEnabled;
        expected.surveyLine = c.line;
        expected.startStation = c.startStation;
        UpdateDerivedSettings(expected);
        EXPECT_TRUE(settings_ == expected); // nothing else differs from the defaults
        if (c.load == SettingsLoad::Foreign) {
            EXPECT_EQ(FileBytes(), CrLf(kDefaultLines));
        }
    }
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

TEST_F(SettingsFileTest, NumbersIgnoreTheProcessLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    TM47_GERMAN_LOCALE_OR_SKIP(LC_ALL);
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
