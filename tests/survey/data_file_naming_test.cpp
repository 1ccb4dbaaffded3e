// Naming and creating data files under the device root.
#include <fstream>

#include <gtest/gtest.h>

#include "../datafile/temp_dir_support.h"
#include "survey/data_file_naming.h"

namespace tm47 {
namespace {

const LocalTime kDec5At14{2025, 12, 5, 14, 37, 2, 0};

TEST(DataFileNaming, StemIsMonthDayHour) {
    EXPECT_EQ(NameStem(kDec5At14), "120514");
    EXPECT_EQ(NameStem({2026, 1, 2, 3, 0, 0, 0}), "010203");
}

TEST(DataFileNaming, DataFolderByStorage) {
    const DeviceRoot root("/r");
    EXPECT_STREQ(DataFolderDevicePath(0), "Storage\\DATA47KVB");
    EXPECT_STREQ(DataFolderDevicePath(1), "Storage Card\\DATA47KVB");
    EXPECT_EQ(DataFolder(root, 0), std::filesystem::path("/r/Storage/DATA47KVB"));
    EXPECT_EQ(DataFolder(root, 1), std::filesystem::path("/r/Storage Card/DATA47KVB"));
}

TEST(DataFileNaming, SecondFileWithinTheHourTakesB) {
    TempDir dir;
    const DeviceRoot root(dir.Path());
    EXPECT_EQ(ProposeDataFileName(root, 0, kDec5At14), "120514A");
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "Storage" / "DATA47KVB"));
    std::ofstream(dir.Path() / "Storage" / "DATA47KVB" / "120514A.R47");
    EXPECT_EQ(ProposeDataFileName(root, 0, kDec5At14), "120514B");
}

TEST(DataFileNaming, AllTwentySixTakenProposesTheZPath) {
    TempDir dir;
    const DeviceRoot root(dir.Path());
    const auto folder = dir.Path() / "Storage Card" / "DATA47KVB";
    std::filesystem::create_directories(folder);
    for (char c = 'A'; c <= 'Z'; ++c) {
        std::ofstream(folder / (std::string("120514") + c + ".R47"));
    }
    const std::string proposal = ProposeDataFileName(root, 1, kDec5At14);
    EXPECT_EQ(proposal, (folder / "120514Z.R47").string());
    EXPECT_TRUE(DataFileExists(proposal)); // the existence check refuses it
}

TEST(DataFileNaming, Switches) {
    struct Row {
        std::string path;
        int32_t before;
        std::string wantPath;
        int32_t wantTest;
        bool found;
    };
    const Row rows[] = {
        {"/d/120514A$$$.R47", 0, "/d/120514A.R47", 1, true},
        {"/d/X!!!.R47", 1, "/d/X.R47", 0, true},
        {"/d/A$$$B!!!.R47", 0, "/d/AB.R47", 0, true},
        {"/d/$$$A$$$.R47", 0, "/d/A$$$.R47", 1, true},
        {"/d/PLAIN.R47", 1, "/d/PLAIN.R47", 1, false},
        {"/d/$!!!$$.R47", 0, "/d/$$$.R47", 0, true}, // "$$$" is searched first, then "!!!"
    };
    for (const Row& r : rows) {
        std::string path = r.path;
        int32_t test = r.before;
        EXPECT_EQ(ApplyNameSwitches(path, test), r.found) << r.path;
        EXPECT_EQ(path, r.wantPath) << r.path;
        EXPECT_EQ(test, r.wantTest) << r.path;
    }
}

TEST(DataFileNaming, CreateWritesTheOpeningRecordsToBothFiles) {
    TempDir dir;
    Settings settings;
    settings.writeTestFile = 1;
    DataFile file;
    ManualClock clock(77, {2026, 5, 14, 12, 0, 0, 0});
    RecordContext ctx{settings, file, clock};
    const auto path = dir.Path() / "120514A.R47";
    ASSERT_EQ(CreateDataFile(ctx, path, {}, {}), DataFile::CreateResult::Created);
    file.Close();
    const std::string data = ReadAll(path);
    ASSERT_EQ(data.size(), 15u * 24); // header, name, 4 O, L, B, A, Z, 4 O, time stamp
    EXPECT_EQ(data.substr(0, 24), "TM47KVB W231GRD000    3\n");
    EXPECT_EQ(data.substr(24, 24), "H 120514A    0.200     \n");
    EXPECT_EQ(data.substr(6 * 24, 24), "L0" + std::string(21, ' ') + "\n");
    EXPECT_EQ(data.substr(14 * 24, 24), "*12:00:00.000        77\n");
    EXPECT_EQ(ReadAll(dir.Path() / "120514A.R4D"), data);

    // The same name again: refused, the file untouched.
    DataFile again;
    RecordContext ctx2{settings, again, clock};
    EXPECT_EQ(CreateDataFile(ctx2, path, {}, {}), DataFile::CreateResult::Exists);
    EXPECT_EQ(ReadAll(path), data);
}

TEST(DataFileNaming, WithoutTheTestFileOnlyR47) {
    TempDir dir;
    Settings settings;
    DataFile file;
    ManualClock clock;
    RecordContext ctx{settings, file, clock};
    ASSERT_EQ(CreateDataFile(ctx, dir.Path() / "X.R47", {}, {}), DataFile::CreateResult::Created);
    file.Close();
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "X.R47"));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "X.R4D"));
}

TEST(DataFileNaming, UncreatableFileWritesNothing) {
    TempDir dir;
    Settings settings;
    DataFile file;
    ManualClock clock;
    RecordContext ctx{settings, file, clock};
    std::string error;
    EXPECT_EQ(CreateDataFile(ctx, dir.Path() / "no" / "X.R47", {}, {}, &error),
              DataFile::CreateResult::Failed);
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_FALSE(file.IsOpen());
}

} // namespace
} // namespace tm47
