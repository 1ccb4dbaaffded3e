#pragma once
// The logger's end of a simulated cable, for tests: the logger's own serial port, read with
// deadlines. Frames are cut out of the byte stream by the instrument's framing rule
// (15 bytes, a known leading letter, ending 0x7F 0x7F).

#include <array>
#include <chrono>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/serial_port.h"

namespace tm47::test {

struct PtyClient {
    SerialPort port;

    explicit PtyClient(const std::string& path) { port.Open(path, SerialUse::Instrument, {}); }
    void Write(std::string_view bytes) { port.Write(bytes.data(), bytes.size()); }
    // Reads until `count` bytes have come or `ms` passed.
    std::string Read(int ms, std::size_t count = SIZE_MAX) {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        std::string out;
        for (uint8_t b; out.size() < count && Clock::now() < deadline;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (port.ReadByteWithin(b, static_cast<uint32_t>(left.count())) == ReadResult::Byte) {
                out.push_back(static_cast<char>(b));
            }
        }
        return out;
    }
    // Sends a mode command ('X' or 'W') and returns the two-byte answer.
    std::string Command(char letter) {
        Write(std::string("H") + letter);
        return Read(1000, 2);
    }
};

using Frame15 = std::array<uint8_t, 15>;

// Cuts frames out of `b`; bytes that are not part of a frame are skipped.
inline std::vector<Frame15> SplitFrames(std::string_view b) {
    constexpr std::string_view kLetters = "TDEFMNPQJKjk";
    std::vector<Frame15> frames;
    for (std::size_t i = 14, start = 0; i < b.size(); ++i) {
        if (i - 14 >= start && b[i] == 0x7F && b[i - 1] == 0x7F &&
            kLetters.find(b[i - 14]) != std::string_view::npos) {
            Frame15 f;
            std::memcpy(f.data(), b.data() + i - 14, 15);
            frames.push_back(f);
            start = i + 1;
        }
    }
    return frames;
}

} // namespace tm47::test
