#include "sim/survey_field.h"

#include <gtest/gtest.h>

namespace tm47 {
namespace {

TEST(FrameEncoding, FieldsGoMostSignificantByteFirst) {
    FrameFields f;
    f.letter = 'N';
    f.rangeCode = 0xD0;
    f.raw = {0x7F7F, -1, 0x1234, -32768};
    f.reference = 3000;
    f.battery = 80;
    const WireFrame expected = {'N',  0xD0, 0x7F, 0x7F, 0xFF, 0xFF, 0x12, 0x34,
                                0x80, 0x00, 0x0B, 0xB8, 80,   0x7F, 0x7F};
    EXPECT_EQ(EncodeFrame(f), expected);
    EXPECT_EQ(BatteryByte(12.0), 80);
    EXPECT_EQ(BatteryByte(100.0), 255);
    EXPECT_EQ(BatteryByte(-3.0), 0);
}

// Forward T/D, E/F on the alternative set, backward j/J; a held trigger gives the partner.
TEST(FrameEncoding, LettersOfDirectionModeAndTrigger) {
    const std::string letters = {ForwardLetter(false, false), ForwardLetter(true, false),
                                 ForwardLetter(false, true),  ForwardLetter(true, true),
                                 BackwardLetter(false),       BackwardLetter(true)};
    EXPECT_EQ(letters, "TDEFjJ");
    std::string triggered;
    for (char letter : letters) {
        triggered += TriggeredLetter(letter);
    }
    EXPECT_EQ(triggered, "MNPQkK");
}

} // namespace
} // namespace tm47
