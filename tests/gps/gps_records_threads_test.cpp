// The GPS reader's sink and the GUI's record writers racing into one data file.

#include "gps/gps_records.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <unistd.h>

namespace tm47 {
namespace {

TEST(GpsRecordsThreads, GpsGroupsStayWholeBetweenTheGuiWriters) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("tm47_gps_records_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto path = dir / "RACE.R47";
    std::filesystem::remove(path);

    Settings settings;
    DataFile file;
    ASSERT_EQ(file.Create(path, false), DataFile::CreateResult::Created);
    ManualClock clock(777);
    RecordContext ctx{settings, file, clock};

    // 70 characters: "@" + 22, "#" + 22, "#" + 22, "#" + 4 and 18 spaces, then "!".
    const std::string sentence =
        "$GPGGA,120000.00,5000.0000,N,01000.0000,E,1,08,0.9,100.0,M,40.0,M,,*6F";
    ASSERT_EQ(sentence.size(), 70u);
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

    std::ifstream in(path, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    ASSERT_EQ(bytes.size() % 24, 0u);
    int groups = 0;
    int notes = 0;
    for (std::size_t at = 0; at < bytes.size(); at += 24) {
        const std::string rec = bytes.substr(at, 24);
        ASSERT_EQ(rec[23], '\n');
        if (rec[0] == 'C') {
            ++notes;
            continue;
        }
        ASSERT_EQ(rec[0], '@') << "record " << at / 24;
        std::string text = rec.substr(1, 22);
        for (int k = 0; k < 3; ++k) {
            at += 24;
            ASSERT_EQ(bytes[at], '#');
            text += bytes.substr(at + 1, 22);
        }
        at += 24;
        EXPECT_EQ(bytes.substr(at, 24), "!            " + std::string("      1234") + "\n");
        EXPECT_EQ(text, sentence + std::string(18, ' '));
        ++groups;
    }
    EXPECT_EQ(groups, kCount);
    EXPECT_EQ(notes, kCount);
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace tm47
