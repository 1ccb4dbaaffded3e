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

// The GPS reader thread: never started, in its loop, or out of it. The values are fixed only
// so that a printed state reads the same everywhere (as are the watchdog's).
enum class GpsReaderState : int8_t { NotStarted = 0, Running = 1, Ended = 2 };
// The GPS watchdog thread's run flag.
enum class GpsWatchdogState : int8_t { Stopped = 0, Run = 1, Ended = 2 };

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
    // Written by the GPS reader thread alone.
    std::atomic<GpsReaderState> readerState{GpsReaderState::NotStarted};
    // The GUI thread starts the watchdog (Run) and asks it to stop (Stopped); the watchdog
    // answers Ended when it has left its loop.
    std::atomic<GpsWatchdogState> watchdogRunFlag{GpsWatchdogState::Stopped};
};

} // namespace tm47
