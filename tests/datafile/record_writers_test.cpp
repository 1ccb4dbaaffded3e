// The writers: what reaches the data file, the test file and the output port.
#include <tuple>

#include "record_writer_fixture.h"

namespace tm47 {
namespace {

// The frame after decoding (mean 1234.56 in bytes 10-12) and as the instrument sent it
// (instantaneous reference 1300, battery 80).
using std::string_view_literals::operator""sv;
const auto kDecoded = "M\0\0\n\x01\0\xFF\xFF\0\x10\x04\xD2\x38\0"sv;
const auto kReceived = "M\0\0\n\x01\0\xFF\xFF\0\x10\x05\x14\x50\x7F"sv;

TEST(RecordWriters, OpeningRecordsInOrder) {
    RecordWriterFixture f(OutputMode::Off);
    f.settings.surveyLine = u"12345678901";
    f.settings.startStation = 25.0;
    f.settings.activeStationIncrement = -1.0f;
    f.settings.lineDirection = 2;
    WriteFileHeader(f.ctx, {{1.5f, 0, 0, -2.25f}, 'N', {}});
    WriteLineHeader(f.ctx, {1.5f, 0, 0, -2.25f}, {0, 0, 0, 0});
    WriteTimeStamp(f.ctx);
    const std::string want =
        std::string("TM47KVB W231GRD000    3\n") + "H LINE1      0.200     \n" +
        "O     1.50N     0.00   \n" + "O     0.00N     0.00   \n" + "O     0.00N     0.00   \n" +
        "O    -2.25N     0.00   \n" + "L12345678              \n" + "B      25.00           \n" +
        "AN           -1.000    \n" + "Z14052026 14:05:09     \n" + "O     1.50      0.00  1\n" +
        "O     0.00      0.00  1\n" + "O     0.00      0.00  1\n" + "O    -2.25      0.00  1\n" +
        "*14:05:09.127      1234\n";
    EXPECT_EQ(f.Data(), want);
}

// Only "on" with format 0 or 1 forwards; any other stored pair forwards nothing.
TEST(RecordWriters, OutputModeFromTheOutputSettings) {
    const std::tuple<int32_t, int32_t, OutputMode> cases[] = {
        {0, 1, OutputMode::Off}, {1, 0, OutputMode::Raw}, {1, 1, OutputMode::Converted},
        {1, 2, OutputMode::Off}, {2, 0, OutputMode::Off},
    };
    for (const auto& [enabled, format, mode] : cases) {
        Settings s;
        s.outputEnabled = enabled;
        s.outputFormat = format;
        EXPECT_EQ(OutputModeOf(s), mode) << enabled << " " << format;
    }
}

TEST(RecordWriters, ReadingGoesToTheTestFileWithTheReceivedReferenceAndBattery) {
    RecordWriterFixture f(OutputMode::Raw, true);
    f.clock.SetTick(0xFFFFFF9Cu); // -100 as a signed tick
    EXPECT_EQ(WriteReading(f.ctx, AsBytes(kDecoded), AsBytes(kReceived)), 0xFFFFFF9Cu);
    const std::string tick = "      -100\n";
    const std::string data = f.Data();
    EXPECT_EQ(data, std::string(kDecoded.substr(0, 13)) + tick);
    EXPECT_EQ(f.Data("R4D"), std::string(kReceived.substr(0, 13)) + tick);
    EXPECT_EQ(f.Output(), data); // Raw Data: the data file's bytes
}

TEST(RecordWriters, ConvertedFormsOnTheOutputPort) {
    RecordWriterFixture f(OutputMode::Converted);
    f.settings.surveyLine = u"L5";
    f.settings.lineDirection = 0;
    WriteFileHeader(f.ctx, {});
    WriteLineHeader(f.ctx, {}, {});
    WriteTimeStamp(f.ctx);
    WriteReading(f.ctx, AsBytes(kDecoded), AsBytes(kReceived));
    WriteStationRecord(f.ctx, 100.5);
    WriteNote(f.ctx, u"", 'C');
    WriteGpsSentence(f.ctx, "$GPTXT,01*3A", 98765, '@', '#');
    WriteOffsetRecords(f.ctx, false, {1, 2, 3, 4}, {});
    const std::string want = std::string("LINE1\r\n") + "LL5" + std::string(20, ' ') + "\r\n" +
                             "AW\r\n" + "Z14052026 14:05:09" + std::string(6, ' ') + "\r\n" +
                             "S     100.50 14:05:09.120\r\n" + "C" + std::string(18, ' ') +
                             "1234\r\n" + "$GPTXT,01*3A      98765\r\n";
    EXPECT_EQ(f.Output(), want);
}

} // namespace
} // namespace tm47
