// The data file: created new, written in whole records, checked writes cut back to whole
// records with one warning per file. (Pause's reopening is the whole-session tests'.)
#include <sys/resource.h>

#include <gtest/gtest.h>

#include "datafile/data_file.h"
#include "temp_dir_support.h"

namespace tm47 {
namespace {

Record Numbered(int i) {
    return MakeRecord("C" + std::to_string(i));
}
std::string Bytes(const Record& r) {
    return std::string(r.data(), 24);
}
void Put(DataFile& f, const Record& r, bool toTestFile) {
    f.Append(std::span<const Record>(&r, 1),
             toTestFile ? std::span<const Record>(&r, 1) : std::span<const Record>());
}

TEST(DataFile, CreateRefusesAnExistingFileAndNamesTheFileAndItsTestFile) {
    TempDir dir;
    const auto p = dir.Path() / "120514A.R47";
    std::ofstream(p) << "keep";
    DataFile f;
    std::string error;
    EXPECT_EQ(f.Create(p, false, &error), DataFile::CreateResult::Exists);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(ReadAll(p), "keep");
    EXPECT_EQ(f.Create(dir.Path() / "missing" / "X.R47", false, &error),
              DataFile::CreateResult::Failed);
    EXPECT_EQ(error, "No such file or directory");

    ASSERT_EQ(f.Create(dir.Path() / "LINE1.R47", true), DataFile::CreateResult::Created);
    EXPECT_EQ(f.name, u"LINE1");
    EXPECT_EQ(f.testPath, dir.Path() / "LINE1.R4D");
    const Record a = Numbered(1), b = Numbered(2);
    f.Append(std::span<const Record>(&a, 1), std::span<const Record>(&b, 1));
    f.Close();
    EXPECT_EQ(ReadAll(dir.Path() / "LINE1.R47"), Bytes(a));
    EXPECT_EQ(ReadAll(dir.Path() / "LINE1.R4D"), Bytes(b));

    EXPECT_EQ(DataFileNameFromPath("/data/v1.2/x.y.R47"), u"x");
    EXPECT_EQ(DataFileNameFromPath("noext"), u"noext");
    EXPECT_EQ(TestPathFor("/d/A.DAT"), std::filesystem::path("/d/A.DAD"));
}

TEST(DataFile, FullMediumWarnsOnceUntilANewFileAndAClosedFileIsNoFailure) {
    DataFile f;
    int calls = 0;
    std::string told;
    f.SetWriteFailureHandler([&](const std::string& text) {
        ++calls;
        told = text;
    });
    ASSERT_TRUE(f.OpenAlways("/dev/full", false));
    for (int i = 0; i < 3; ++i) {
        Put(f, Numbered(i), false);
    }
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(told, "Data file write failed\nNo space left on device");
    EXPECT_EQ(f.TakeWriteWarning(), std::optional<std::string>(told));
    EXPECT_EQ(f.TakeWriteWarning(), std::nullopt);
    EXPECT_TRUE(f.WriteFailed());

    TempDir dir;
    ASSERT_EQ(f.Create(dir.Path() / "B.R47", false), DataFile::CreateResult::Created);
    EXPECT_FALSE(f.WriteFailed());
    f.Close();
    bool forwarded = false;
    const Record r = Numbered(1);
    f.Append(std::span<const Record>(&r, 1), {}, [&] { forwarded = true; });
    EXPECT_TRUE(forwarded); // the output port still gets its copy
    EXPECT_FALSE(f.WriteFailed());
}

// The file size limit stops the file inside the fourth record: the partial record is cut off
// and every record after it fails whole.
TEST(DataFile, ShortWriteIsCutBackToTheLastWholeRecord) {
    TempDir dir;
    DataFile f;
    ASSERT_EQ(f.Create(dir.Path() / "A.R47", true), DataFile::CreateResult::Created);
    rlimit saved{}, small{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    small = {3 * 24 + 10, saved.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    for (int i = 0; i < 6; ++i) {
        Put(f, Numbered(i), true);
    }
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
    // Room again (the card was changed): the next record lands on its boundary.
    Put(f, Numbered(5), false);
    f.Close();
    EXPECT_EQ(ReadAll(dir.Path() / "A.R47"),
              Bytes(Numbered(0)) + Bytes(Numbered(1)) + Bytes(Numbered(2)) + Bytes(Numbered(5)));
    EXPECT_EQ(ReadAll(dir.Path() / "A.R4D").size(), 3u * 24);
    EXPECT_EQ(f.TakeWriteWarning(), std::optional<std::string>("Data file write failed\n"
                                                               "File too large"));
    EXPECT_EQ(f.TakeWriteWarning(), std::nullopt);
}

} // namespace
} // namespace tm47
