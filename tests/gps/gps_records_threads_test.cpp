// The GPS reader's sink and the GUI's record writers racing into one data file.

#include "gps/gps_records.h"

#include <gtest/gtest.h>

#include <thread>

#include "tests/datafile/temp_dir_support.h"

namespace tm47 {
namespace {

TEST(GpsRecordsThreads, GpsGroupsStayWholeBetweenTheGuiWriters) {
    TempDir dir;
    Settings settings;
    DataFile file;
    ASSERT_EQ(file.Create(dir.Path() / "RACE.R47", false), DataFile::CreateResult::Created);
    ManualClock clock(777);
    RecordContext ctx{settings, file, clock};

    // 70 characters: "@" + 22, "#" + 22, "#" + 22, "#" + 4 and 18 spaces, then "!".
    const std::string sentence =
        "$GPGGA,120000.00,5000.0000,N,01000.0000,E,1,08,0.9,100.0,M,40.0,M,,*6F";
    constexpr int kCount = 200;
    std::thread gps([&] {
        auto sink = GpsRecordSink(ctx);
        for (int i = 0; i < kCount; ++i) {
            sink(sentence, 1234, '@', '#');
        }
    });
    for (int i = 0; i < kCount; ++i) {
        WriteNote(ctx, u"NOTE", 'C');
    }
    gps.join();
    file.Close();

    const std::string bytes = ReadAll(dir.Path() / "RACE.R47");
    ASSERT_EQ(bytes.size(), kCount * 6u * 24);
    int groups = 0;
    for (std::size_t at = 0; at < bytes.size(); at += 24) {
        ASSERT_EQ(bytes[at + 23], '\n');
        if (bytes[at] == 'C') {
            continue;
        }
        ASSERT_EQ(bytes[at], '@') << "record " << at / 24;
        std::string text = bytes.substr(at + 1, 22);
        for (int k = 0; k < 3; ++k) {
            at += 24;
            ASSERT_EQ(bytes[at], '#');
            text += bytes.substr(at + 1, 22);
        }
        at += 24;
        EXPECT_EQ(bytes.substr(at, 24), "!                  1234\n");
        EXPECT_EQ(text, sentence + std::string(18, ' '));
        ++groups;
    }
    EXPECT_EQ(groups, kCount);
}

} // namespace
} // namespace tm47
