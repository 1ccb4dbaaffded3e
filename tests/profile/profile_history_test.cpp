#include "profile/profile_history.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "config/settings.h"

namespace tm47 {
namespace {

// A data file of `older` readings, a time stamp unless `noZ`, then `newer` readings.
std::filesystem::path WriteReadings(const char* name, int older, bool noZ, int newer) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() / name;
    std::array<uint8_t, 13> frame{'T', 0, 0, 10, 0, 10, 0, 10, 0, 10, 0x0B, 0xB8, 80};
    const Record reading = ReadingRecord(frame, 5000);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (int i = 0; i < older + newer; ++i) {
        if (i == older && !noZ) {
            out.write(MakeRecord("Z01012024 10:00:00").data(), kRecordLength);
        }
        out.write(reading.data(), reading.size());
    }
    return path;
}

// The walk reads back from the end only the records the window needs, and a file without a
// "Z" ends before its first record (which stands for the header).
TEST(ProfileHistory, WalkReadsOnlyTheRecordsTheWindowNeeds) {
    Settings settings;
    settings.profilePixelsPerUnit = 0.36f;
    const auto big = WriteReadings("tm47_history_big.R47", 2000, false, 300);
    FileRecordSource source(big, std::filesystem::file_size(big));
    auto runs = WalkHistory(source, HistoryRequest{settings, {}, {}, 270});
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].size(), 136u);
    EXPECT_EQ(runs[0].front().x, 0);
    EXPECT_EQ(runs[0].back().x, 270);
    EXPECT_EQ(source.RecordsRead(), 136);
    EXPECT_EQ(source.BytesRead(), 136 * 24);
    std::filesystem::remove(big);

    const auto noZ = WriteReadings("tm47_history_noz.R47", 0, true, 5);
    FileRecordSource short_(noZ, 5 * 24);
    runs = WalkHistory(short_, HistoryRequest{settings, {}, {}, 270});
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].size(), 4u);
    EXPECT_EQ(short_.RecordsRead(), 4);
    std::filesystem::remove(noZ);
}

} // namespace
} // namespace tm47
