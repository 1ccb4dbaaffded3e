#include "instrument/frame_assembler.h"

#include <algorithm>

namespace tm47 {

FrameAssembler::Event FrameAssembler::Push(uint8_t byte, FrameBuffer& out) {
    ++index_;
    buffer_[index_] = byte;
    if (index_ > kFrameAssemblyLimit) {
        // 182 bytes without an acceptable frame end: this byte goes with the rest, and a frame
        // whose end would have been this byte is lost.
        counters_.discardedBytes += static_cast<uint64_t>(index_) + 1;
        index_ = -1;
        return Event::None;
    }
    if (byte != kFrameTerminator || index_ < kFrameBytes || buffer_[index_ - 1] != kFrameTerminator)
        return Event::None;

    const int letter = index_ - kFrameBytes;
    if (!IsLeadingLetter(buffer_[letter])) {
        ++counters_.rejectedEnds;
        return Event::RejectedEnd;
    }
    std::copy(buffer_ + letter, buffer_ + letter + kFrameBytes, out.begin());
    std::fill(out.begin() + kFrameBytes, out.end(), uint8_t{0});
    ++counters_.frames;
    counters_.discardedBytes += static_cast<uint64_t>(letter);
    index_ = -1;
    return Event::Frame;
}

void FrameAssembler::Reset() {
    counters_.discardedBytes += static_cast<uint64_t>(index_ + 1);
    index_ = -1;
}

} // namespace tm47
