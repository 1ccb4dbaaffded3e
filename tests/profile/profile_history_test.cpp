#include "profile/profile_history.h"

#include <gtest/gtest.h>

#include <tuple>

#include "tests/datafile/crafted_file.h"

namespace tm47 {
namespace {

// A data file of `older` readings, a time stamp unless `noZ`, then `newer` readings.
std::filesystem::path WriteReadings(const TempDir& dir, int older, bool noZ, int newer) {
    CraftedFile f;
    for (int i = 0; i < older + newer; ++i) {
        if (i == older && !noZ) {
            f.Add(MakeRecord("Z01012024 10:00:00"));
        }
        f.Reading(10, 5000);
    }
    return f.WriteTo(dir.Path() / (std::to_string(older) + ".R47"));
}

// The walk reads back from the end only the records the window needs, and a file without a
// "Z" ends before its first record (which stands for the header).
TEST(ProfileHistory, WalkReadsOnlyTheRecordsTheWindowNeeds) {
    Settings settings;
    settings.profilePixelsPerUnit = 0.36f;
    const TempDir dir;
    const auto big = WriteReadings(dir, 2000, false, 300);
    FileRecordSource source(big, std::filesystem::file_size(big));
    auto runs = WalkHistory(source, HistoryRequest{settings, {}, {}, 270});
    ASSERT_EQ(runs.size(), 1u);
    // 136 readings from the left edge to the right one, each read once.
    EXPECT_EQ(std::tuple(runs[0].size(), runs[0].front().x, runs[0].back().x, source.RecordsRead(),
                         source.BytesRead()),
              std::tuple(136u, 0, 270, 136, 136 * 24));

    const auto noZ = WriteReadings(dir, 0, true, 5);
    FileRecordSource short_(noZ, 5 * 24);
    runs = WalkHistory(short_, HistoryRequest{settings, {}, {}, 270});
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].size(), 4u);
    EXPECT_EQ(short_.RecordsRead(), 4);
}

} // namespace
} // namespace tm47
