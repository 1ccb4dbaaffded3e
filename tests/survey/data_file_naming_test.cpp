#include <gtest/gtest.h>

#include "survey/data_file_naming.h"

namespace tm47 {
namespace {

// The stem and the switches typed into a name: "$$$" turns the test file on, "!!!" off. (The
// data folders are the GUI survey dialog tests'.)
TEST(DataFileNaming, StemAndSwitches) {
    EXPECT_EQ(NameStem({2026, 1, 2, 3, 0, 0, 0}), "010203");
    const struct {
        std::string path, wantPath;
        int32_t before, wantTest;
        bool found;
    } rows[] = {
        {"/d/A$$$B!!!.R47", "/d/AB.R47", 0, 0, true},
        {"/d/$$$A$$$.R47", "/d/A$$$.R47", 0, 1, true},
        {"/d/PLAIN.R47", "/d/PLAIN.R47", 1, 1, false},
        {"/d/$!!!$$.R47", "/d/$$$.R47", 0, 0, true}, // "$$$" is searched first, then "!!!"
    };
    for (const auto& r : rows) {
        std::string path = r.path;
        int32_t test = r.before;
        EXPECT_EQ(ApplyNameSwitches(path, test), r.found) << r.path;
        EXPECT_EQ(path, r.wantPath) << r.path;
        EXPECT_EQ(test, r.wantTest) << r.path;
    }
}

} // namespace
} // namespace tm47
