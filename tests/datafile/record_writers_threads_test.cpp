// The GPS reader writes its sentence groups while the GUI thread writes readings: every record
// stays whole, every GPS group stays together, and the output port sees the same bytes in the
// same order as the data file.
#include <thread>

#include "record_writer_fixture.h"

namespace tm47 {
namespace {

TEST(RecordWritersThreads, GpsAndGuiWritersNeverInterleaveInsideARecordOrGroup) {
    RecordWriterFixture f(OutputMode::Raw, true);

    constexpr int kReadings = 2000;
    constexpr int kSentences = 500;
    // Raw bytes full of LF, so a split record would show.
    const std::string_view frame("T\n\n\n\n\n\n\n\n\n\x0B\xB8\n", 14);
    const std::string sentence =
        "$GPGGA,123519.00,4807.038,N,01131.00000,E,1,08,0.9,545.4,M,46.9,M,,*47";

    std::thread gps([&] {
        for (int i = 0; i < kSentences; ++i) {
            WriteGpsSentence(f.ctx, sentence, static_cast<uint32_t>(i), '@', '#');
        }
    });
    for (int i = 0; i < kReadings; ++i) {
        WriteReading(f.ctx, AsBytes(frame), AsBytes(frame));
        if (i % 100 == 0) {
            WriteNote(f.ctx, u"$STARTED", 'X');
        }
    }
    gps.join();
    const std::string data = f.Data();
    const std::string_view reading = frame.substr(0, 13);
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
    EXPECT_EQ(f.Data("R4D"), data);
    EXPECT_EQ(f.Output(), data);
}

} // namespace
} // namespace tm47
