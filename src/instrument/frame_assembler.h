#pragma once
// Frame assembly: turns the instrument's byte stream into frames.
//
// The instrument may start mid-frame, and the line may carry noise. Bytes are collected until
// the two terminator bytes 0x7F 0x7F arrive with one of the twelve leading letters exactly 14
// bytes before the last of them; bytes that came before the frame are dropped with it. A
// terminator pair with any other byte in the letter position (for example 0x7F 0x7F inside
// the payload) is not a frame end; the collected bytes are kept so that the real frame end is
// still found. When 182 bytes have arrived without an acceptable frame end, the collection is
// thrown away and starts afresh.
//
// Pure: no port, clock or thread. Owned by the one reader thread that feeds it.

#include <cstdint>

#include "instrument/frame.h"

namespace tm47 {

// What the line did, for tests and a status line.
struct AssemblyCounters {
    uint64_t frames = 0;         // accepted frame ends
    uint64_t rejectedEnds = 0;   // 0x7F 0x7F with an unknown leading letter
    uint64_t discardedBytes = 0; // bytes dropped: before a frame, on overflow, on Reset
};

class FrameAssembler {
public:
    enum class Event {
        None,        // byte stored, no frame end
        Frame,       // a frame ended; `out` holds its 14 bytes and a 0 byte
        RejectedEnd, // 0x7F 0x7F with an unknown leading letter; collection kept
    };

    // Takes one received byte. `out` is written only when Frame is returned.
    Event Push(uint8_t byte, FrameBuffer& out);

    // Empties the collection (the link restarts, or the reader starts over).
    void Reset();

    // Bytes currently collected (0..181).
    int PendingBytes() const { return index_ + 1; }
    const AssemblyCounters& Counters() const { return counters_; }

private:
    uint8_t buffer_[kAssemblyBufferSize] = {};
    int index_ = -1; // index of the last stored byte, -1 when empty
    AssemblyCounters counters_;
};

} // namespace tm47
