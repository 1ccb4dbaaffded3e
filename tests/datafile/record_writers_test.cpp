// The writers: what reaches the data file, the test file and the output port.
#include <mutex>

#include <gtest/gtest.h>

#include "datafile/record_writers.h"
#include "platform/output_forwarder.h"
#include "temp_dir_support.h"

namespace tm47 {
namespace {

struct Fixture {
    TempDir dir;
    Settings settings;
    DataFile file;
    ManualClock clock{1234, {2026, 5, 14, 14, 5, 9, 127}};
    OutputForwarder output;
    std::mutex mutex;
    std::string received; // everything the output port was given
    RecordContext ctx{settings, file, clock, &output};

    explicit Fixture(OutputMode outputMode, bool testFile = false) {
        settings.writeTestFile = testFile ? 1 : 0;
        EXPECT_EQ(file.Create(dir.Path() / "LINE1.R47", testFile), DataFile::CreateResult::Created);
        ctx.outputMode = outputMode;
        output.Start(
            [this](const uint8_t* d, std::size_t n) {
                std::lock_guard lock(mutex);
                received.append(reinterpret_cast<const char*>(d), n);
                return n;
            },
            {});
    }
    std::string Data(const char* ext = "R47") {
        file.Close();
        return ReadAll(dir.Path() / (std::string("LINE1.") + ext));
    }
    std::string Output() {
        output.WaitDrained(2000);
        std::lock_guard lock(mutex);
        return received;
    }
};

// The frame after decoding (mean 1234.56 in bytes 10-12) and as the instrument sent it
// (instantaneous reference 1300, battery 80).
const uint8_t kDecoded[14] = {'M',  0x00, 0x00, 0x0A, 0x01, 0x00, 0xFF,
                              0xFF, 0x00, 0x10, 0x04, 0xD2, 56,   0x00};
const uint8_t kReceived[14] = {'M',  0x00, 0x00, 0x0A, 0x01, 0x00, 0xFF,
                               0xFF, 0x00, 0x10, 0x05, 0x14, 80,   0x7F};

TEST(RecordWriters, OpeningRecordsInOrder) {
    Fixture f(OutputMode::Off);
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
    const struct {
        int32_t enabled, format;
        OutputMode mode;
    } cases[] = {{0, 0, OutputMode::Off},       {0, 1, OutputMode::Off}, {1, 0, OutputMode::Raw},
                 {1, 1, OutputMode::Converted}, {1, 2, OutputMode::Off}, {2, 0, OutputMode::Off}};
    for (const auto& c : cases) {
        Settings s;
        s.outputEnabled = c.enabled;
        s.outputFormat = c.format;
        EXPECT_EQ(OutputModeOf(s), c.mode) << c.enabled << " " << c.format;
    }
}

TEST(RecordWriters, ReadingGoesToTheTestFileWithTheReceivedReferenceAndBattery) {
    Fixture f(OutputMode::Raw, true);
    f.clock.SetTick(0xFFFFFF9Cu); // -100 as a signed tick
    EXPECT_EQ(WriteReading(f.ctx, kDecoded, kReceived), 0xFFFFFF9Cu);
    const std::string tick = "      -100\n";
    const std::string data = f.Data();
    EXPECT_EQ(data, std::string(reinterpret_cast<const char*>(kDecoded), 13) + tick);
    EXPECT_EQ(f.Data("R4D"), std::string(reinterpret_cast<const char*>(kReceived), 13) + tick);
    EXPECT_EQ(f.Output(), data); // Raw Data: the data file's bytes
}

TEST(RecordWriters, ConvertedFormsOnTheOutputPort) {
    Fixture f(OutputMode::Converted);
    f.settings.surveyLine = u"L5";
    f.settings.lineDirection = 0;
    WriteFileHeader(f.ctx, {});
    WriteLineHeader(f.ctx, {}, {});
    WriteTimeStamp(f.ctx);
    WriteReading(f.ctx, kDecoded, kReceived);
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
