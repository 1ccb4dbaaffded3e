// The frame assembler on frames built from their fields. (Every 0x7F pair in a payload, with
// or without a leading letter 14 bytes before it, is the frame assembler fuzzer's: it checks
// the assembler byte by byte against a plain model of the assembly rules.)
#include "instrument/frame_assembler.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "frame_wire_support.h"

namespace tm47 {
namespace {

using test::Concat;
using test::FrameFields;
using test::FrameOf;
using test::WireFrame;

struct Fed {
    std::vector<FrameBuffer> frames;
    int rejectedEnds = 0;
};

Fed FeedAll(FrameAssembler& assembler, const std::vector<uint8_t>& bytes) {
    Fed fed;
    FrameBuffer out{};
    for (uint8_t b : bytes) {
        const auto event = assembler.Push(b, out);
        if (event == FrameAssembler::Event::Frame) {
            fed.frames.push_back(out);
        }
        fed.rejectedEnds += event == FrameAssembler::Event::RejectedEnd;
    }
    return fed;
}

// No leading letter, no terminator.
std::vector<uint8_t> Garbage(size_t n) {
    return std::vector<uint8_t>(n, '0');
}

const FrameFields kSample{'N', 0x55, {0x0102, -2, 0x7F00, 0x007F}, 1500, 80};

TEST(FrameAssembler, AFrameIsItsFourteenBytesAndAZeroForEveryLeadingLetterAndNoOther) {
    FrameAssembler assembler;
    const Fed fed = FeedAll(assembler, WireFrame(kSample));
    ASSERT_EQ(fed.frames.size(), 1u);
    const FrameBuffer expected{'N',  0x55, 0x01, 0x02, 0xFF, 0xFE, 0x7F, 0x00,
                               0x00, 0x7F, 0x05, 0xDC, 80,   0x7F, 0,    0};
    EXPECT_EQ(fed.frames[0], expected);
    EXPECT_EQ(assembler.PendingBytes(), 0);
    EXPECT_EQ(assembler.Counters().frames, 1u);

    for (int letter = 0; letter < 256; ++letter) {
        FrameAssembler fresh;
        const Fed one = FeedAll(fresh, WireFrame({static_cast<uint8_t>(letter)}));
        const bool known = std::string_view("TDEFMNPQJKjk").find(char(letter)) != std::string::npos;
        EXPECT_EQ(one.frames.size(), known ? 1u : 0u) << "letter " << letter;
        EXPECT_EQ(one.rejectedEnds, known ? 0 : 1) << "letter " << letter;
    }
}

TEST(FrameAssembler, GarbageBeforeAFrameIsDroppedWithItUpToTheBufferSize) {
    // 166 bytes of garbage put the final 0x7F at index 180, the last index that is kept.
    for (size_t garbage : {0u, 14u, 166u}) {
        FrameAssembler assembler;
        const Fed fed = FeedAll(assembler, Concat({Garbage(garbage), WireFrame(kSample)}));
        ASSERT_EQ(fed.frames.size(), 1u) << garbage;
        EXPECT_EQ(fed.frames[0], FrameOf(kSample)) << garbage;
        EXPECT_EQ(assembler.Counters().discardedBytes, garbage);
        EXPECT_EQ(assembler.PendingBytes(), 0);
    }

    // The 182nd byte empties the buffer, even when it would have ended a frame.
    FrameAssembler assembler;
    FeedAll(assembler, Garbage(181));
    EXPECT_EQ(assembler.PendingBytes(), 181);
    EXPECT_EQ(assembler.Counters().discardedBytes, 0u);
    FeedAll(assembler, Garbage(1));
    EXPECT_EQ(assembler.PendingBytes(), 0);
    EXPECT_EQ(assembler.Counters().discardedBytes, 182u);
    EXPECT_EQ(FeedAll(assembler, Concat({Garbage(167), WireFrame(kSample)})).frames.size(), 0u);
    EXPECT_EQ(assembler.PendingBytes(), 0);
    EXPECT_EQ(assembler.Counters().discardedBytes, 364u);
    EXPECT_EQ(FeedAll(assembler, WireFrame(kSample)).frames.size(), 1u);

    // Reset drops a partial frame: its rest makes no frame.
    const std::vector<uint8_t> wire = WireFrame(kSample);
    FeedAll(assembler, {wire.begin(), wire.begin() + 10});
    assembler.Reset();
    EXPECT_EQ(assembler.Counters().discardedBytes, 374u);
    EXPECT_EQ(FeedAll(assembler, {wire.begin() + 10, wire.end()}).frames.size(), 0u);
}

} // namespace
} // namespace tm47
