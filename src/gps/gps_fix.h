#pragma once
// The GPS input state: what the GPS readers, the status display of the Monitor/Log screen
// and the GPS monitor share. One instance, owned by the logger.
//
// Threads: the sentence texts, the valid flag, the spinner and the logged GGA count belong
// to the GUI thread (the GPS reader fills the texts inside its synchronous hand-over, so
// they are only ever touched there). The last valid tick, the reader state and the watchdog
// run flag are shared with the GPS threads and are atomics.
//
// The GPS serial port itself is the shell's `gpsPort` handle; the readers hold their own
// share of it, and closing any handle ends them.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tm47 {

// The screens use at most 127 characters of a line; the data file gets the whole line.
inline constexpr std::size_t kSentenceTextMax = 127;

struct GpsFix {
    // The last line framed by a reader, without the byte before the line feed, cut to
    // kSentenceTextMax characters.
    std::string sentenceText;
    // The last line that verified (the GPS monitor: every line), one unit per byte.
    std::u16string validSentenceText;
    // 1 when the last line verified.
    int32_t sentenceValid = 0;
    // Completion tick of the last verified line; the start tick when GPS input starts.
    std::atomic<uint32_t> lastValidTick{0};
    // '\\' at program start; turns to '/' and back on every verified GGA sentence.
    int32_t spinnerChar = '\\';
    // Verified GGA sentences taken while readings were being recorded; 0 when the
    // Monitor/Log screen is left.
    uint32_t loggedGgaCount = 0;
    // 0 never started, 1 the GPS reader thread runs, 2 it has left its loop.
    std::atomic<int32_t> readerState{0};
    // 1 run, 0 stop requested, 2 the watchdog has left its loop.
    std::atomic<int32_t> watchdogRunFlag{0};
};

} // namespace tm47
