// Every record kind byte for byte, and the converted forms for the output port.
#include <clocale>
#include <string>

#include <gtest/gtest.h>

#include "datafile/records.h"

namespace tm47 {
namespace {

std::string S(const Record& r) {
    return std::string(r.data(), r.size());
}

TEST(Records, FileHeaderForStandardGpsOffMetersAutoPolledPortrait) {
    Settings s;
    EXPECT_EQ(S(FileHeaderRecord(s, true, true)),
              "TM47KVB W231GRD000" + std::string(3, ' ') + " 3" + "\n");
}

TEST(Records, FileHeaderForHighPowerGpsFeetHandHeldManualStreamingLandscape) {
    Settings s;
    s.instrumentVariant = 1;
    s.gpsEnabled = 1;
    s.units = 1;
    s.antenna = 3;
    s.surveyMode = 2;
    EXPECT_EQ(S(FileHeaderRecord(s, false, false)), "TM47HXB W231GPS132   12\n");
}

TEST(Records, FileHeaderValueWiderThanItsFieldPushesTheRestToTheLf) {
    Settings s;
    s.surveyMode = 10; // "%1d" of 10 takes two characters
    EXPECT_EQ(S(FileHeaderRecord(s, true, true)), "TM47KVB W231GRD0010    \n");
}

TEST(Records, TextRecords) {
    struct Row {
        const char* what;
        Record got;
        std::string want;
    };
    const LocalTime t{2026, 5, 14, 14, 5, 9, 127};
    const Row rows[] = {
        {"file name", FileNameRecord("LINE1", 0.2f),
         "H LINE1    " + std::string("  0.200") + std::string(5, ' ') + "\n"},
        {"file name cut after 9", FileNameRecord("ABCDEFGHIJKL", 1.0f),
         "H ABCDEFGHI  1.000     \n"},
        {"survey line cut after 8", SurveyLineRecord(u"12345678901"),
         "L12345678" + std::string(14, ' ') + "\n"},
        {"start station", StartStationRecord(25.0), "B      25.00           \n"},
        {"start station negative", StartStationRecord(-1234.567), "B   -1234.57           \n"},
        {"direction South, increment -1", DirectionRecord(1, -1.0f), "AS           -1.000    \n"},
        {"direction East, increment 0.2", DirectionRecord(3, 0.2f), "AE            0.200    \n"},
        {"date and time", DateTimeRecord(t), "Z14052026 14:05:09     \n"},
        {"new station", StationRecord(100.5, t), "S     100.50 14050912  \n"},
        {"time stamp", TimeStampRecord({2026, 1, 2, 3, 4, 5, 7}, 1234),
         "*03:04:05.007      1234\n"},
        {"offset, header form", HeaderOffsetRecord(12.5f, 'N', 0.0f), "O    12.50N     0.00   \n"},
        {"offset, header form after QC", HeaderOffsetRecord(-3.25f, 'E', 250.75f),
         "O    -3.25E   250.75   \n"},
        {"offset, nulling form", NullingOffsetRecord(1.25f, -3.5f), "O     1.25     -3.50  1\n"},
        {"QC calibration", QcCalibrationRecord('I', 123.456f), "II   123.46           1\n"},
        {"empty comment", NoteRecord('C', u"", 12345),
         "C" + std::string(11, ' ') + " " + "     12345" + "\n"},
        {"comment cut after 11", NoteRecord('C', u"BURIED PIPE HERE", 7),
         "CBURIED PIPE " + std::string(9, ' ') + "7\n"},
        {"marker", NoteRecord('X', u"$CONN END  ", 100),
         "X$CONN END" + std::string(10, ' ') + "100\n"},
        {"negative tick", NoteRecord('X', u"$PAUSED", 0xFFFFFFFFu),
         "X$PAUSED" + std::string(13, ' ') + "-1\n"},
        {"widest tick is cut by the LF", NoteRecord('X', u"$STARTED", 0x80000000u),
         "X$STARTED" + std::string(4, ' ') + "-214748364\n"},
        {"GPS time", GpsTimeRecord(98765), "!" + std::string(12, ' ') + "     98765\n"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(S(r.got), r.want) << r.what;
    }
}

TEST(Records, ReadingRecordCarriesRawBytesLfAndNulIncluded) {
    const uint8_t frame[14] = {'T',  0x55, 0x00, 0x0A, 0xFF, 0x9C, 0x00,
                               0x00, 0x7F, 0xFF, 0x04, 0xD2, 56,   0};
    const Record r = ReadingRecord(frame, 1000);
    const std::string want =
        std::string("T\x55\x00\x0A\xFF\x9C\x00\x00\x7F\xFF\x04\xD2\x38", 13) + "      1000" + "\n";
    EXPECT_EQ(S(r), want);
}

TEST(Records, GpsSentenceOf70CharactersTakesFourPieces) {
    const std::string text =
        "$GPGGA,123519.00,4807.038,N,01131.00000,E,1,08,0.9,545.4,M,46.9,M,,*47";
    ASSERT_EQ(text.size(), 70u);
    const auto recs = GpsSentenceRecords(text, '@', '#');
    ASSERT_EQ(recs.size(), 4u);
    EXPECT_EQ(S(recs[0]), "@$GPGGA,123519.00,4807.\n");
    EXPECT_EQ(S(recs[1]), "#038,N,01131.00000,E,1,\n");
    EXPECT_EQ(S(recs[2]), "#08,0.9,545.4,M,46.9,M,\n");
    EXPECT_EQ(S(recs[3]), "#,*47" + std::string(18, ' ') + "\n");
}

TEST(Records, GpsSentenceOf44CharactersEndsWithAContinuationOfSpaces) {
    const std::string text = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4";
    ASSERT_EQ(text.size(), 44u);
    const auto recs = GpsSentenceRecords(text, '?', '"');
    ASSERT_EQ(recs.size(), 3u);
    EXPECT_EQ(S(recs[0]), "?$GPRMC,123519,A,4807.0\n");
    EXPECT_EQ(S(recs[1]), "\"38,N,01131.000,E,022.4\n");
    EXPECT_EQ(S(recs[2]), "\"" + std::string(22, ' ') + "\n");
}

TEST(Records, GpsSentenceShorterThanAPieceIsOnePaddedRecord) {
    const auto recs = GpsSentenceRecords("$GPTXT,01*3A", '@', '#');
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(S(recs[0]), "@$GPTXT,01*3A" + std::string(10, ' ') + "\n");
}

TEST(Records, ConvertedForms) {
    const LocalTime t{2026, 5, 14, 14, 5, 9, 127};
    EXPECT_EQ(ConvertedFileName("LINE1"), "LINE1\r\n");
    EXPECT_EQ(ConvertedFirst23(SurveyLineRecord(u"12345678901")),
              "L12345678" + std::string(14, ' ') + "\r\n");
    EXPECT_EQ(ConvertedDirection(DirectionRecord(2, 1.0f)), "AN\r\n");
    EXPECT_EQ(ConvertedDateTime(DateTimeRecord(t)),
              "Z14052026 14:05:09" + std::string(6, ' ') + "\r\n");
    EXPECT_EQ(ConvertedStation(StationRecord(100.5, t), t), "S     100.50 14:05:09.120\r\n");
    EXPECT_EQ(ConvertedFirst23(NoteRecord('C', u"", 12345)),
              "C" + std::string(11, ' ') + "      12345\r\n");
    EXPECT_EQ(ConvertedGpsTime("$GPTXT,01*3A", 1234), "$GPTXT,01*3A       1234\r\n");
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
