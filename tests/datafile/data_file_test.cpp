// The data file: created new, written in whole records, checked writes cut back to whole
// records with one warning per file, reopened at Pause.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "datafile/data_file.h"
#include "temp_dir_support.h"

namespace tm47 {
namespace {

Record Numbered(int i) {
    return MakeRecord("C" + std::to_string(i));
}

TEST(DataFile, CreateNewRefusesAnExistingFileAndLeavesItAlone) {
    TempDir dir;
    const auto p = dir.Path() / "120514A.R47";
    { std::ofstream(p) << "keep"; }
    DataFile f;
    std::string error;
    EXPECT_EQ(f.Create(p, false, &error), DataFile::CreateResult::Exists);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(ReadAll(p), "keep");
    EXPECT_EQ(f.Create(dir.Path() / "missing" / "X.R47", false, &error),
              DataFile::CreateResult::Failed);
    EXPECT_EQ(error, "No such file or directory");
}

TEST(DataFile, NamesAndTestFile) {
    TempDir dir;
    DataFile f;
    ASSERT_EQ(f.Create(dir.Path() / "LINE1.R47", true), DataFile::CreateResult::Created);
    EXPECT_EQ(f.name, u"LINE1");
    EXPECT_EQ(f.name8, "LINE1");
    EXPECT_EQ(f.testPath, dir.Path() / "LINE1.R4D");
    EXPECT_TRUE(f.HasTestFile());
    const Record a = Numbered(1), b = Numbered(2);
    f.Append(std::span<const Record>(&a, 1), std::span<const Record>(&b, 1));
    f.Close();
    EXPECT_EQ(ReadAll(dir.Path() / "LINE1.R47"), std::string(a.data(), 24));
    EXPECT_EQ(ReadAll(dir.Path() / "LINE1.R4D"), std::string(b.data(), 24));
}

TEST(DataFile, NameIsTheFileNameUpToItsFirstDot) {
    EXPECT_EQ(DataFileNameFromPath("/data/Storage/DATA47KVB/120514A.R47"), u"120514A");
    EXPECT_EQ(DataFileNameFromPath("/data/v1.2/x.y.R47"), u"x");
    EXPECT_EQ(DataFileNameFromPath("noext"), u"noext");
    EXPECT_EQ(TestPathFor("/d/A.R47"), std::filesystem::path("/d/A.R4D"));
    EXPECT_EQ(TestPathFor("/d/A.DAT"), std::filesystem::path("/d/A.DAD"));
}

TEST(DataFile, ReadingWithLfInItsRawBytesReadsBackAsOneRecord) {
    TempDir dir;
    DataFile f;
    ASSERT_EQ(f.Create(dir.Path() / "A.R47", false), DataFile::CreateResult::Created);
    const uint8_t frame[13] = {'D', 0, 0x0A, 0x0A, 0, 0x0A, 0x0A, 0, 0, 0x0A, 0x0A, 0x0A, 0x0A};
    const Record recs[] = {MakeRecord("L1"), ReadingRecord(frame, 10), MakeRecord("C")};
    f.Append(recs, {});
    f.Close();
    const std::string all = ReadAll(dir.Path() / "A.R47");
    ASSERT_EQ(all.size(), 72u);
    EXPECT_EQ(all.substr(24, 24), std::string(recs[1].data(), 24));
    EXPECT_EQ(all[48], 'C');
}

TEST(DataFile, FullMediumWarnsOnceAndKeepsTrying) {
    DataFile f;
    int calls = 0;
    std::string told;
    f.SetWriteFailureHandler([&](const std::string& text) {
        ++calls;
        told = text;
    });
    ASSERT_TRUE(f.OpenAlways("/dev/full", false));
    for (int i = 0; i < 3; ++i) {
        const Record r = Numbered(i);
        f.Append(std::span<const Record>(&r, 1), {});
    }
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(told, "Data file write failed\nNo space left on device");
    EXPECT_EQ(f.TakeWriteWarning(), std::optional<std::string>(told));
    EXPECT_EQ(f.TakeWriteWarning(), std::nullopt);
    EXPECT_TRUE(f.WriteFailed());
}

// The file size limit stops the file inside the fourth record: the partial record is cut off
// and every record after it fails whole.
TEST(DataFile, ShortWriteIsCutBackToTheLastWholeRecord) {
    TempDir dir;
    DataFile f;
    ASSERT_EQ(f.Create(dir.Path() / "A.R47", true), DataFile::CreateResult::Created);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 3 * 24 + 10;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::vector<Record> recs;
    for (int i = 0; i < 6; ++i) {
        recs.push_back(Numbered(i));
    }
    for (const Record& r : recs) {
        f.Append(std::span<const Record>(&r, 1), std::span<const Record>(&r, 1));
    }
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
    // Room again (the card was changed): the next record lands on its boundary.
    f.Append(std::span<const Record>(&recs[5], 1), {});
    f.Close();
    const std::string all = ReadAll(dir.Path() / "A.R47");
    ASSERT_EQ(all.size(), 4u * 24);
    EXPECT_EQ(all.substr(0, 72), std::string(recs[0].data(), 24) + std::string(recs[1].data(), 24) +
                                     std::string(recs[2].data(), 24));
    EXPECT_EQ(all.substr(72), std::string(recs[5].data(), 24));
    EXPECT_EQ(ReadAll(dir.Path() / "A.R4D").size(), 3u * 24);
    const auto warning = f.TakeWriteWarning();
    ASSERT_TRUE(warning);
    EXPECT_EQ(*warning, "Data file write failed\nFile too large");
    EXPECT_EQ(f.TakeWriteWarning(), std::nullopt);
}

TEST(DataFile, ANewDataFileWarnsAgain) {
    TempDir dir;
    DataFile f;
    ASSERT_TRUE(f.OpenAlways("/dev/full", false));
    const Record r = Numbered(1);
    f.Append(std::span<const Record>(&r, 1), {});
    EXPECT_TRUE(f.TakeWriteWarning());
    ASSERT_EQ(f.Create(dir.Path() / "B.R47", false), DataFile::CreateResult::Created);
    EXPECT_FALSE(f.WriteFailed());
}

TEST(DataFile, PauseReopensAtTheEnd) {
    TempDir dir;
    DataFile f;
    ASSERT_EQ(f.Create(dir.Path() / "A.R47", true), DataFile::CreateResult::Created);
    const Record a = Numbered(1), b = Numbered(2);
    f.Append(std::span<const Record>(&a, 1), std::span<const Record>(&a, 1));
    EXPECT_TRUE(f.SyncAndReopen());
    // Everything so far is on the medium before the next record.
    EXPECT_EQ(ReadAll(dir.Path() / "A.R47").size(), 24u);
    f.Append(std::span<const Record>(&b, 1), std::span<const Record>(&b, 1));
    f.Close();
    const std::string want = std::string(a.data(), 24) + std::string(b.data(), 24);
    EXPECT_EQ(ReadAll(dir.Path() / "A.R47"), want);
    EXPECT_EQ(ReadAll(dir.Path() / "A.R4D"), want);
}

TEST(DataFile, WritesWithoutAnOpenFileAreNotFailures) {
    DataFile f;
    const Record r = Numbered(1);
    bool ran = false;
    f.Append(std::span<const Record>(&r, 1), {}, [&] { ran = true; });
    EXPECT_TRUE(ran); // the output port still gets its copy
    EXPECT_FALSE(f.WriteFailed());
}

} // namespace
} // namespace tm47
