#include "gps/nmea_framer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::string_literals;

namespace tm47 {
namespace {

constexpr const char* kGoodGga =
    "$GPGGA,081412.000,5541.1956,N,03737.2877,E,1,5,4.87,66.2,M,14.5,M,,*6A";

struct Framed {
    std::string text;
    bool valid;
    bool operator==(const Framed&) const = default;
};

void PrintTo(const Framed& f, std::ostream* os) {
    *os << (f.valid ? "valid " : "bad ") << f.text;
}

std::vector<Framed> FrameAll(NmeaFramer& framer, const std::string& bytes) {
    std::vector<Framed> lines;
    NmeaLine line;
    for (char c : bytes) {
        if (framer.Push(static_cast<uint8_t>(c), line)) {
            lines.push_back({line.text, line.valid});
        }
    }
    return lines;
}

struct FramingCase {
    const char* name;
    std::string bytes;
    std::vector<Framed> expected;
};

TEST(NmeaFramer, LinesAreCutAndClassifiedAsTheReceiverSentThem) {
    const std::string gga = kGoodGga;
    const std::string gga6B =
        "$GPGGA,081412.000,5541.1956,N,03737.2877,E,1,5,4.87,66.2,M,14.5,M,,*6B";
    const std::string rmc =
        "$GNRMC,081411.000,A,5541.1955,N,03737.2872,E,0.60,301.29,260514,,,A*74";
    const std::string midDollarTail = "$GPGGA,202640.000,4404.1306,N,12118.8515,W,2,10,0.98,"
                                      "1127.7,M,-19.6,M,0000,0000*6C";
    const std::vector<FramingCase> cases = {
        {"good GGA with CR LF", gga + "\r\n", {{gga, true}}},
        {"a wrong checksum digit", gga6B + "\r\n", {{gga6B, false}}},
        {"LF alone loses the last checksum digit",
         rmc + "\n",
         {{"$GNRMC,081411.000,A,5541.1955,N,03737.2872,E,0.60,301.29,260514,,,A*7", false}}},
        {"no asterisk",
         "$GNGSA,A,3,03,19,27,13,,,,,,,,,2.75,2.56,1.0010\r\n",
         {{"$GNGSA,A,3,03,19,27,13,,,,,,,,,2.75,2.56,1.0010", false}}},
        {"no dollar sign is handed on once", gga.substr(1) + "\r\n", {{gga.substr(1), false}}},
        {"lower-case checksum digits",
         "$GPRMC,205200.00,V,,,,,,,,,,,V*4c\r\n",
         {{"$GPRMC,205200.00,V,,,,,,,,,,,V*4c", true}}},
        {"a dollar sign mid-line drops what came before it",
         "$GPGSV,3,1,12,09,88,089,31,07," + midDollarTail + "\r\n",
         {{midDollarTail, true}}},
        {"an empty line is handed on as not valid", "\r\n", {{"", false}}},
        {"a line feed with nothing buffered is ignored", "\n\n" + gga + "\r\n", {{gga, true}}},
        {"two sentences in one read", gga + "\r\n" + rmc + "\r\n", {{gga, true}, {rmc, true}}},
        {"a NUL byte ends the text", "$A*41\0xyz\r\n"s, {{"$A*41", true}}},
    };
    for (const auto& c : cases) {
        NmeaFramer framer;
        EXPECT_EQ(FrameAll(framer, c.bytes), c.expected) << c.name;
        EXPECT_EQ(framer.Buffered(), 0u) << c.name;
    }
}

TEST(NmeaFramer, TwoHundredAndOneBytesWithoutLineFeedRestartTheBuffer) {
    // "$" and 199 characters and the CR fill indices 0..200: still one line.
    NmeaFramer full;
    const std::string body(199, 'x');
    EXPECT_EQ(FrameAll(full, "$" + body + "\r\n"), (std::vector<Framed>{{"$" + body, false}}));
    EXPECT_EQ(full.Stats().overflowRestarts, 0u);

    // One byte more restarts at index 0; the line that completes has lost its "$".
    NmeaFramer over;
    EXPECT_EQ(FrameAll(over, "$" + std::string(200, 'x') + "B*42\r\n"),
              (std::vector<Framed>{{"B*42", false}}));
    EXPECT_EQ(over.Stats().overflowRestarts, 1u);
}

TEST(NmeaFramer, CountersTellWhatTheLineDid) {
    NmeaFramer framer;
    FrameAll(framer, std::string("\n$GPG$") + kGoodGga + "\r\n" + "junk\r\n");
    const auto& s = framer.Stats();
    EXPECT_EQ(s.lines, 2u);
    EXPECT_EQ(s.validLines, 1u);
    EXPECT_EQ(s.dollarRestarts, 2u); // "$GPG" dropped, then the "$" of the GGA
    EXPECT_EQ(s.emptyLineFeeds, 1u);
}

TEST(NmeaChecksum, ExpectedValueIsReadLikeStrtoulFromAfterTheLastAsterisk) {
    struct Case {
        const char* line;
        bool ok;
    };
    const Case cases[] = {
        {"$A*41", true},     {"$A*41 trailing", true},
        {"$A*  41", true},   {"$A*0x41", true},
        {"$A*+41", true},    {"$A*-41", false},
        {"$A*", false},      {"$*", true},
        {"$*00", true},      {"$A*00*41", true},
        {"$A*41*00", false}, {"$A*410", false},
        {"A*41", false},     {"$A41", false},
        {"", false},         {"$A*ffffffffffffffffff", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NmeaChecksumOk(c.line), c.ok) << c.line;
    }
}

TEST(NmeaField, FieldsAreCountedFromTheAddressField) {
    struct Case {
        const char* text;
        int n;
        bool found;
        const char* field;
    };
    const Case cases[] = {
        {"$GPGGA,a,b", 1, true, "$GPGGA"},
        {"$GPGGA,a,b", 2, true, "a"},
        {"$GPGGA,a,b", 3, true, "b"},
        {"$GPGGA,a,b", 4, false, ""},
        {"a,,b", 2, true, ""},
        {"a,", 2, true, ""},
        {"abc", 1, true, "abc"},
        {"abc", 2, false, ""},
        {"a,b", 0, false, ""},
        {"a,12345678901234567890", 2, true, "123456789012345"},
        {kGoodGga, 7, true, "1"},
        {kGoodGga, 8, true, "5"},
        {kGoodGga, 15, true, "*6A"},
        {"$GNGSA,A,3,03,19,27,13,,,,,,,,,2.75,2.56,1.00*10", 16, true, "2.75"},
        {"$GNGSA,A,3,03,19,27,13,,,,,,,,", 16, false, ""},
    };
    for (const auto& c : cases) {
        std::string out = "untouched";
        EXPECT_EQ(ExtractField(c.text, c.n, ',', out), c.found) << c.text << " field " << c.n;
        if (c.found) {
            EXPECT_EQ(out, c.field) << c.text << " field " << c.n;
        }
    }
}

} // namespace
} // namespace tm47
