#pragma once
// NMEA line framing and the sentence checks, as the GPS readers apply them to the receiver's
// byte stream. Pure: bytes in, lines out; no port, clock or thread.
//
// The receiver sends "$...*hh" CR LF, but the port delivers whatever the line carries:
// sentences cut short, run together, missing their CR or their checksum. The framer never
// drops a line for that. A "$" always starts a new line (what was buffered is discarded), a
// line feed ends one, and a line that grows past 201 bytes without a line feed starts over at
// the beginning of the buffer (the line that then completes no longer begins with "$" and
// fails the check). The byte just before the line feed, normally the CR, is not part of the
// line, so a line ended by a bare LF loses its last character.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tm47 {

// The line buffer holds indices 0..200.
inline constexpr std::size_t kNmeaLineBufferSize = 201;
// Extracted fields keep at most this many characters.
inline constexpr std::size_t kNmeaFieldMax = 15;

// True when `line` starts with "$", holds a "*", and the exclusive-or of the bytes after "$"
// up to the first "*" equals the number after the last "*", read as strtoul(text, nullptr, 16)
// reads it.
bool NmeaChecksumOk(std::string_view line);

struct NmeaLine {
    std::string text;   // from index 0 up to, not including, the byte before the line feed
    bool valid = false; // NmeaChecksumOk(text)
};

class NmeaFramer {
public:
    struct Counters {
        uint64_t lines = 0;            // lines completed and classified
        uint64_t validLines = 0;       // of those, lines whose checksum verified
        uint64_t dollarRestarts = 0;   // "$" arrived with bytes buffered; they were dropped
        uint64_t overflowRestarts = 0; // 201 bytes without a line feed; the buffer restarted
        uint64_t emptyLineFeeds = 0;   // a line feed with nothing buffered, ignored
    };

    // Takes one byte. Returns true when it completed a line; `out` then holds it. `out` is
    // not touched otherwise.
    bool Push(uint8_t byte, NmeaLine& out);

    // Bytes buffered for the line in progress.
    std::size_t Buffered() const { return count_; }
    const Counters& Stats() const { return counters_; }
    void Reset() { count_ = 0; }

private:
    char buffer_[kNmeaLineBufferSize] = {};
    std::size_t count_ = 0;
    Counters counters_;
};

// Field `n` (1-based) of `text` split at `delimiter`, as the status display reads GGA and GSA
// sentences: field 1 is the text before the first delimiter (the whole text when there is
// none); field n >= 2 runs from after the (n-1)-th delimiter to the n-th or the end of the
// text. False when the text has fewer than n-1 delimiters (or n < 1). The field is cut to
// kNmeaFieldMax characters. The text is the whole line, so the last field carries "*hh".
bool ExtractField(std::string_view text, int n, char delimiter, std::string& out);

} // namespace tm47
