// Record kinds byte for byte beyond the opening records the writers' test shows, the
// converted reading line for the output port, and reading records decoded back into channel
// values with the offsets that apply to them.
#include <clocale>
#include <cmath>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "crafted_file.h"
#include "datafile/record_parser.h"
#include "datafile/records.h"
#include "tests/support/german_locale.h"

namespace tm47 {
namespace {

std::string S(const Record& r) {
    return std::string(r.data(), r.size());
}

TEST(Records, TextRecords) {
    Settings highPower; // GPS on, feet, hand held, manual
    highPower.instrumentVariant = 1;
    highPower.gpsEnabled = 1;
    highPower.units = 1;
    highPower.antenna = 3;
    highPower.surveyMode = 2;
    Settings wide;
    wide.surveyMode = 10; // "%1d" of 10 takes two characters and pushes the rest to the LF
    const LocalTime t{2026, 5, 14, 14, 5, 9, 127};
    const std::pair<Record, const char*> rows[] = {
        {FileHeaderRecord(highPower, false, false), "TM47HXB W231GPS132   12\n"},
        {FileHeaderRecord(wide, true, true), "TM47KVB W231GRD0010    \n"},
        {FileNameRecord("ABCDEFGHIJKL", 1.0f), "H ABCDEFGHI  1.000     \n"},
        {StartStationRecord(-1234.567), "B   -1234.57           \n"},
        {DirectionRecord(1, -1.0f), "AS           -1.000    \n"},
        {DirectionRecord(3, 0.2f), "AE            0.200    \n"},
        {StationRecord(100.5, t), "S     100.50 14050912  \n"},
        {TimeStampRecord({2026, 1, 2, 3, 4, 5, 7}, 1234), "*03:04:05.007      1234\n"},
        {HeaderOffsetRecord(-3.25f, 'E', 250.75f), "O    -3.25E   250.75   \n"},
        {QcCalibrationRecord('I', 123.456f), "II   123.46           1\n"},
        {NoteRecord('C', u"", 12345), "C                 12345\n"},
        {NoteRecord('C', u"BURIED PIPE HERE", 7), "CBURIED PIPE          7\n"},
        {NoteRecord('X', u"$PAUSED", 0xFFFFFFFFu), "X$PAUSED             -1\n"},
        {NoteRecord('X', u"$STARTED", 0x80000000u), "X$STARTED    -214748364\n"}, // cut by LF
        {GpsTimeRecord(98765), "!                 98765\n"},
    };
    for (const auto& [got, want] : rows) {
        EXPECT_EQ(S(got), want);
    }
}

std::string S(const std::vector<Record>& records) {
    std::string out;
    for (const Record& r : records) {
        out += S(r);
    }
    return out;
}

// (A sentence cut into four pieces is the writers' thread test's.)
TEST(Records, GpsSentencesAreCutInto22CharacterPieces) {
    EXPECT_EQ(S(GpsSentenceRecords("$GPTXT,01*3A", '@', '#')), "@$GPTXT,01*3A          \n");
    // A sentence that fills its last piece exactly is closed by an empty continuation record.
    EXPECT_EQ(S(GpsSentenceRecords("$GPTXT,01,01,02,OKA*2B", '@', '#')),
              "@$GPTXT,01,01,02,OKA*2B\n#                      \n");
}

TEST(Records, ConvertedReadingLineColumns) {
    const float ch[4] = {1.5f, -2.25f, 1000.5f, 0.0f};
    EXPECT_EQ(ConvertedReadingLine('T', 12.0, ch, 123456),
              "T        12.00      1.50     -2.25   1000.50      0.00     123456\r\n");
    // A station of 13 characters keeps its first 12; a channel too wide for its column is
    // cut by the next one; the blank at 54 cuts channel 4.
    const float wide[4] = {12345678.0f, 0.0f, 0.0f, -1234567.0f};
    EXPECT_EQ(ConvertedReadingLine('K', 1234567890.12, wide, -5),
              "K 1234567890.112345678.0      0.00      0.00-1234567.0         -5\r\n");
}

TEST(Records, NumbersIgnoreTheProcessLocale) {
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old ? old : "C";
    TM47_GERMAN_LOCALE_OR_SKIP(LC_ALL);
    EXPECT_EQ(S(FileNameRecord("LINE1", 0.2f)), "H LINE1      0.200     \n");
    EXPECT_EQ(S(NullingOffsetRecord(1.25f, -3.5f)), "O     1.25     -3.50  1\n");
    std::setlocale(LC_ALL, saved.c_str());
}

// Raw 1000 on every channel (1000 x 4.8333 = 4833.3 before the letter scaling). Variant 1 is
// High Power; antenna 0 is 1 x 0.5 m, 1 is 1 x 1 m, 3 hand held. The range code's bit pairs
// divide channels 4 to 1 by 1, 10 or 100. The calibration is the live decoding's (its table
// has every group); here the stored mean must pick the level and give the gain.
TEST(ParseReadingRecord, TheStoredMeanGivesTheNominalReferenceAndTheGain) {
    // Letter, variant, antenna, stored mean, range code, channels.
    const std::tuple<char, int32_t, int32_t, int16_t, uint8_t, std::array<double, 4>> rows[] = {
        {'E', 0, 0, 1800, 0, {4362.05325, 6587.7879, 9796.1082735, 14591.0367048}},
        {'k', 1, 0, 1800, 0, {4362.05325, 6587.7879, 9874.4319, 58734.2616}},
        {'D', 0, 0, 3000, 0, {9666.6, 9666.6, 9666.6, 19367.971942446}}, // x 1.114 / 1.112 x 4
        {'D', 1, 0, 1400, 0, {10926.0198857, 16134.9363429, 23757.7409143, 47765.2669051}},
        {'T', 0, 3, 0, 0, {9666.6, 9666.6, 9666.6, 9666.6}}, // a zero mean keeps gain 1
        {'T', 1, 3, 920, 0, {8313.276, 12276.582, 18076.542, 29338.131}},
        {'T', 0, 3, 3000, 0xC1, {96.666, 9666.6, 9666.6, 966.66}},
    };
    for (const auto& [letter, variant, antenna, mean, range, want] : rows) {
        SCOPED_TRACE(testing::Message() << letter << " variant " << variant << " mean " << mean);
        Settings s;
        s.instrumentVariant = variant;
        s.antenna = antenna;
        const ParsedReading got =
            ParseReadingRecord(TestReading(letter, {1000, 1000, 1000, 1000}, mean, 0, range), {},
                               OffsetOrder::BeforeNormalising, s);
        EXPECT_EQ(got.letter, letter);
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(got.channel[c], want[c], std::abs(want[c]) * 2e-6 + 1e-4) << c;
        }
    }
}

// The reference mean's hundredths byte is signed. (Offsets before and after normalising are
// the line index tests'.)
TEST(ParseReadingRecord, TheHundredthsOfTheMeanAreSigned) {
    const Record r = TestReading('T', {}, 1234, -50);
    EXPECT_NEAR(ParseReadingRecord(r, {}, OffsetOrder::BeforeNormalising, Settings{}).referenceMean,
                1233.5, 1e-3);
}

// Feeds every record of a crafted file to `offsets`.
template <class Offsets> void Feed(Offsets& offsets, const CraftedFile& file) {
    for (std::size_t at = 0; at < file.bytes.size(); at += kRecordLength) {
        offsets.Feed(MakeRecord(std::string_view(file.bytes).substr(at, kRecordLength - 1)));
    }
}

TEST(Offsets, LineHeadersAndNullingGroupsForwardAndBackward) {
    std::vector<Record> group; // a nulling group in a line: 10-13 over 1-4
    for (int c = 0; c < 4; ++c) {
        group.push_back(NullingOffsetRecord(10.0f + c, 1.0f + c));
    }
    ForwardOffsets f;
    // File header: header-form offsets are not a line's offsets.
    f.Feed(MakeRecord("TM47KVB W231GRD000    3"));
    f.Feed(HeaderOffsetRecord(9.0f, 'N', 0.0f));
    Feed(f, CraftedFile().Line(u"1", 0, 1, {}, {}, {1, 2, 3, 4}));
    EXPECT_EQ(f.Offsets(), (std::array<float, 4>{1, 2, 3, 4}));
    EXPECT_EQ(f.Order(), OffsetOrder::BeforeNormalising);
    Feed(f, CraftedFile().Reading().Add(group[0]).Add(group[1]).Add(group[2]).Add(group[3]));
    EXPECT_EQ(f.Offsets(), (std::array<float, 4>{10, 11, 12, 13}));
    Feed(f, CraftedFile().Line(u"2", 0, 1, {}, {}, {5, 6, 7, 8}, ' '));
    EXPECT_EQ(f.Offsets(), (std::array<float, 4>{5, 6, 7, 8}));
    EXPECT_EQ(f.Order(), OffsetOrder::AfterNormalising);

    // Passing a group backwards restores its previous offsets.
    BackwardOffsets b({10, 11, 12, 13});
    Feed(b, CraftedFile().Reading().Add(group[3]).Add(group[2]).Add(group[1]).Add(group[0]));
    EXPECT_EQ(b.Offsets(), (std::array<float, 4>{1, 2, 3, 4}));
}

} // namespace
} // namespace tm47
