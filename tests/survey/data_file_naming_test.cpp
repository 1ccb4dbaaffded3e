#include <gtest/gtest.h>

#include <tuple>

#include "survey/data_file_naming.h"

namespace tm47 {
namespace {

// The stem and the switches typed into a name: "$$$" turns the test file on, "!!!" off. (The
// data folders are the GUI survey dialog tests'.)
TEST(DataFileNaming, StemAndSwitches) {
    EXPECT_EQ(NameStem({2026, 1, 2, 3, 0, 0, 0}), "010203");
    // The typed path, the path left, the test file switch before and after, whether found.
    const std::tuple<std::string, std::string, int32_t, int32_t, bool> rows[] = {
        {"/d/A$$$B!!!.R47", "/d/AB.R47", 0, 0, true},
        {"/d/$$$A$$$.R47", "/d/A$$$.R47", 0, 1, true},
        {"/d/PLAIN.R47", "/d/PLAIN.R47", 1, 1, false},
        {"/d/$!!!$$.R47", "/d/$$$.R47", 0, 0, true}, // "$$$" is searched first, then "!!!"
    };
    for (const auto& [typed, wantPath, before, wantTest, found] : rows) {
        std::string path = typed;
        int32_t test = before;
        EXPECT_EQ(ApplyNameSwitches(path, test), found) << typed;
        EXPECT_EQ(path, wantPath) << typed;
        EXPECT_EQ(test, wantTest) << typed;
    }
}

} // namespace
} // namespace tm47
