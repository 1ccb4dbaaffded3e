// Record kinds byte for byte beyond the opening records the writers' test shows, and the
// converted reading line for the output port.
#include <clocale>
#include <string>

#include <gtest/gtest.h>

#include "datafile/records.h"

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

TEST(Records, ReadingRecordCarriesRawBytesLfAndNulIncluded) {
    const uint8_t frame[14] = {'T',  0x55, 0x00, 0x0A, 0xFF, 0x9C, 0x00,
                               0x00, 0x7F, 0xFF, 0x04, 0xD2, 56,   0};
    EXPECT_EQ(S(ReadingRecord(frame, 1000)),
              std::string("T\x55\x00\x0A\xFF\x9C\x00\x00\x7F\xFF\x04\xD2\x38      1000\n", 24));
}

TEST(Records, GpsSentencesAreCutInto22CharacterPieces) {
    const auto recs = GpsSentenceRecords(
        "$GPGGA,123519.00,4807.038,N,01131.00000,E,1,08,0.9,545.4,M,46.9,M,,*47", '@', '#');
    ASSERT_EQ(recs.size(), 4u);
    EXPECT_EQ(S(recs[0]), "@$GPGGA,123519.00,4807.\n");
    EXPECT_EQ(S(recs[1]), "#038,N,01131.00000,E,1,\n");
    EXPECT_EQ(S(recs[2]), "#08,0.9,545.4,M,46.9,M,\n");
    EXPECT_EQ(S(recs[3]), "#,*47                  \n");
    const auto one = GpsSentenceRecords("$GPTXT,01*3A", '@', '#');
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(S(one[0]), "@$GPTXT,01*3A          \n");
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
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "de_DE.utf8")) {
        GTEST_SKIP() << "de_DE locale not installed";
    }
    EXPECT_EQ(S(FileNameRecord("LINE1", 0.2f)), "H LINE1      0.200     \n");
    EXPECT_EQ(S(NullingOffsetRecord(1.25f, -3.5f)), "O     1.25     -3.50  1\n");
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(Records, ReadingKindLetters) {
    for (char c : std::string("DEFJKMNPQTjk")) {
        EXPECT_TRUE(IsReadingKind(c)) << c;
    }
    for (char c : std::string("HOILBAZS*CX@#?\"!e")) {
        EXPECT_FALSE(IsReadingKind(c)) << c;
    }
}

} // namespace
} // namespace tm47
