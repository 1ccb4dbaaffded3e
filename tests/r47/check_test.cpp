// r47 check on files built record by record: a whole file passes, and each kind of damage is
// named with its record index.

#include <gmock/gmock.h>

#include <cstring>
#include <tuple>

#include "r47_program.h"
#include "tests/datafile/crafted_file.h"

namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using tm47::CraftedFile;

// A real GGA sentence of 70 characters: "@" + 22, "#" + 22, "#" + 22, "#" + 4.
constexpr std::string_view kGga =
    "$GPGGA,081412.000,5541.1956,N,03737.2877,E,1,5,4.87,66.2,M,14.5,M,,*6A";

// Records: 0 header, 1 name, 2-5 offsets, 6-13 line header, 14 stamp, 15 reading (tick 1000),
// 16-17 two GGA pieces, 18 a reading written between the pieces, 19-20 the last pieces,
// 21 "!" (tick 990: the sentence began before the readings), 22 marker, 23 comment,
// 24 reading. Then pieces are cut at 22 characters whatever they hold: 25-27 a sentence whose
// first piece ends in a space (which belongs to it), 28-31 one of 44 characters, which ends in a
// blank piece.
CraftedFile WholeFile() {
    CraftedFile f;
    f.Header(true).Line(u"A1", 0.0, 1.0f, {12, 0, 0}, 900).Reading(100, 1000);
    const std::string g = CraftedFile().Sentence(kGga, 990).bytes;
    f.bytes += g.substr(0, 48);
    f.Reading(101, 1010);
    f.bytes += g.substr(48);
    f.Add(tm47::NoteRecord('X', u"$PAUSED", 1020));
    f.Add(tm47::NoteRecord('C', u"pipe", 1030));
    f.Reading(102, 1040).Sentence(tm47::WithChecksum("PTEST,0123456789ABCD EFGH"), 1050);
    return f.Sentence(tm47::WithChecksum("GPGSA,A,3,03,19,27,13,,,,,,,,,1.8,0.9,1."), 1060);
}

// The r47 program's check of `f`, written as a file of its own: what it prints.
std::string Checked(const CraftedFile& f) {
    const tm47::TempDir dir;
    return R47("check " + f.WriteTo(dir.Path() / "CHECKED.R47")).out;
}

TEST(R47Check, AWholeFileWithGpsGroupsCutByReadingsOrEndingInABlankPiecePasses) {
    EXPECT_THAT(Checked(WholeFile()), EndsWith(": OK, 32 records, 0 problems\n"));
}

// One row per message. A record of -1 cuts the file 10 bytes short; a text of nullptr takes
// the record out.
TEST(R47Check, DamageIsNamedWithItsRecord) {
    // Record, position in it, text written there, record named, message.
    const std::tuple<int, int, const char*, int64_t, const char*> cases[] = {
        {-1, 0, "", 31, "partial record of 14 bytes"},
        {15, 0, "q", 15, "unknown record kind \"q\""},
        {16, 0, "?", 16, "GPS tag \"?\" but the sentence's checksum is right"},
        {16, 10, "9", 16, "GPS tag \"@\" but the sentence's checksum is wrong"},
        {17, 0, "\"", 17, "GPS continuation tag does not match its first tag"},
        {16, 0, nullptr, 16, "GPS continuation without a first piece"},
        {24, 13, "       999", 24, "reading tick 999 goes back from 1010"},
        {22, 1, "$HALTED    ", 22, "unknown marker text \"$HALTED    \""},
        {7, 0, "S", 7, "line header is not L, B, A, Z and four O records"},
        {24, 0, "TM47KVB W231", 24, "file header that is not the first record"},
        {0, 0, "X", 0, "the first record is not a file header"},
        {7, 5, "1x", 7, "malformed number field in a \"B\" record"},
        {21, 0, nullptr, 16, "GPS sentence without its time record"},
        {30, 0, nullptr, 28, "GPS sentence of 44 characters in 2 pieces, not 3"},
    };
    for (const auto& [record, pos, text, index, what] : cases) {
        CraftedFile f = WholeFile();
        if (record < 0) {
            f.bytes.resize(f.bytes.size() - 10);
        } else if (text == nullptr) {
            f.bytes.erase(record * 24, 24);
        } else {
            f.bytes.replace(record * 24 + pos, std::strlen(text), text);
        }
        EXPECT_THAT(Checked(f), HasSubstr(": record " + std::to_string(index) + ": " + what));
    }
}

} // namespace
