// The r47 program as a user runs it: usage errors, and the commands on a crafted file.

#include <gtest/gtest.h>

#include <string>

#include "r47_program.h"
#include "tests/datafile/crafted_file.h"

namespace {

std::string FirstLine(const std::string& s) {
    return s.substr(0, s.find('\n'));
}

TEST(R47Program, BadArgumentsExitTwoNamingTheArgumentThenTheUsage) {
    const std::pair<const char*, std::string> cases[] = {
        {"", "r47: no command given"},
        {"frobnicate x", "r47: unknown command \"frobnicate\""},
        {"export A.R47 --utc-offset 20", "r47: --utc-offset needs hours from -12 to 14"},
        {"dump A.R47 B.R47", "r47: one data file only, got \"B.R47\" too"},
    };
    for (const auto& [args, firstLine] : cases) {
        const Ran r = R47(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out + r.err.substr(0, r.err.find("\nUsage: r47 ")), firstLine) << r.err;
    }
}

// Export and map refuse to write over the data file they read; dump reads the header; check's
// status is that of the worst file. (--help and --version: the cli tests.)
TEST(R47Program, NothingWritesOverTheDataFileAndCheckNamesTheWorstFile) {
    tm47::TempDir dir;
    tm47::CraftedFile f;
    f.Header(false).Line(u"A7", 5.0, 0.25f, {9, 30, 0}, 100).Reading(10, 150);
    f.Add(tm47::NoteRecord('C', u"wet", 160)).Add(tm47::NoteRecord('X', u"$CONN BREAK", 170));
    const std::string path = f.WriteTo(dir.Path() / "D.R47");
    for (const char* command : {"export", "map"}) {
        const Ran r = R47(std::string(command) + " " + path + " -o " + path);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(FirstLine(r.err), "r47: -o " + path + " would overwrite the data file " + path);
    }
    EXPECT_EQ(tm47::ReadAll(path), f.bytes);

    const Ran dump = R47("dump " + path);
    EXPECT_EQ(dump.status, 0);
    EXPECT_EQ(FirstLine(dump.out), "0 header instrument=TM47KVB version=231 gps=off units=0 "
                                   "antenna=0 mode=0 link=streaming screen=portrait");
    EXPECT_EQ(R47("info " + path).status, 0);

    f.bytes[15 * 24] = 'q';
    const std::string bad = f.WriteTo(dir.Path() / "BAD.R47");
    const Ran check = R47("check " + path + " " + bad);
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.out, path + ": OK, 18 records, 0 problems\n" + bad +
                             ": record 15: unknown record kind \"q\"\n" + bad +
                             ": DAMAGED, 18 records, 1 problems\n");
    EXPECT_EQ(R47("check " + path).status, 0);
    EXPECT_EQ(R47("check " + bad + " " + path + ".MISSING").status, 2);
}

} // namespace
