// The GPS reader writes its sentence groups while the GUI thread writes readings: every record
// stays whole, every GPS group stays together, and the output port sees the same bytes in the
// same order as the data file.
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "datafile/record_writers.h"
#include "platform/output_forwarder.h"
#include "temp_dir_support.h"

namespace tm47 {
namespace {

TEST(RecordWritersThreads, GpsAndGuiWritersNeverInterleaveInsideARecordOrGroup) {
    TempDir dir;
    Settings settings;
    settings.writeTestFile = 1;
    DataFile file;
    ManualClock clock(500);
    ASSERT_EQ(file.Create(dir.Path() / "RACE.R47", true), DataFile::CreateResult::Created);
    OutputForwarder output;
    std::mutex receivedMutex;
    std::string received;
    output.Start(
        [&](const uint8_t* d, std::size_t n) {
            std::lock_guard lock(receivedMutex);
            received.append(reinterpret_cast<const char*>(d), n);
            return n;
        },
        {});
    RecordContext ctx{settings, file, clock, &output, OutputMode::Raw};

    constexpr int kReadings = 2000;
    constexpr int kSentences = 500;
    // Raw bytes full of LF, so a split record would show.
    const uint8_t frame[14] = {'T',  0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A,
                               0x0A, 0x0A, 0x0A, 0x0B, 0xB8, 0x0A, 0x00};
    const std::string sentence =
        "$GPGGA,123519.00,4807.038,N,01131.00000,E,1,08,0.9,545.4,M,46.9,M,,*47";

    std::thread gps([&] {
        for (int i = 0; i < kSentences; ++i) {
            WriteGpsSentence(ctx, sentence, static_cast<uint32_t>(i), '@', '#');
        }
    });
    for (int i = 0; i < kReadings; ++i) {
        WriteReading(ctx, frame, frame);
        if (i % 100 == 0) {
            WriteNote(ctx, u"$STARTED", 'X');
        }
    }
    gps.join();
    ASSERT_TRUE(output.WaitDrained(5000));
    output.Stop();
    file.Close();

    const std::string data = ReadAll(dir.Path() / "RACE.R47");
    const std::string reading = std::string(reinterpret_cast<const char*>(frame), 13);
    const std::string group = "@$GPGGA,123519.00,4807.\n#038,N,01131.00000,E,1,\n"
                              "#08,0.9,545.4,M,46.9,M,\n#,*47                  \n!";
    ASSERT_EQ(data.size() % 24, 0u);
    int readings = 0, groups = 0, notes = 0;
    for (std::size_t at = 0; at < data.size(); at += 24) {
        SCOPED_TRACE(at / 24);
        ASSERT_EQ(data[at + 23], '\n');
        if (data[at] == 'T') {
            ASSERT_EQ(data.substr(at, 13), reading);
            ++readings;
        } else if (data[at] == 'X') {
            ++notes;
        } else {
            // A GPS group: four pieces and the time record, back to back.
            ASSERT_EQ(data.substr(at, group.size()), group);
            at += 4 * 24;
            ++groups;
        }
    }
    EXPECT_EQ(readings, kReadings);
    EXPECT_EQ(groups, kSentences);
    EXPECT_EQ(notes, kReadings / 100);
    EXPECT_EQ(ReadAll(dir.Path() / "RACE.R4D"), data);
    std::lock_guard lock(receivedMutex);
    EXPECT_EQ(received, data);
}

} // namespace
} // namespace tm47
