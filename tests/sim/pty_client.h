#pragma once
// The logger's end of a simulated cable, for tests: opens the slave device raw and reads
// with deadlines. Frames are cut out of the byte stream by the instrument's framing rule
// (15 bytes, a known leading letter, ending 0x7F 0x7F).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tm47::test {

class PtyClient {
public:
    explicit PtyClient(const std::string& path);
    ~PtyClient();
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    void Write(std::string_view bytes);
    // Everything that arrives within `ms`.
    std::string ReadFor(int ms);
    // Reads until `count` bytes have come or `timeoutMs` passed.
    std::string ReadBytes(std::size_t count, int timeoutMs);
    // Sends a mode command ('X' or 'W') and returns the first two bytes of the answer.
    std::string Command(char letter, int timeoutMs = 1000);
    void DiscardInput();

private:
    int fd_ = -1;
};

using Frame15 = std::array<uint8_t, 15>;
// Cuts frames out of `bytes`; bytes that are not part of a frame are skipped.
std::vector<Frame15> SplitFrames(std::string_view bytes);

// Decodes channel `i` (0..3) of a frame into calibrated units with a letter factor:
// raw x 4.8333 / range divisor x factor.
double DecodedChannel(const Frame15& f, int i, double factor);
int Reference(const Frame15& f);

} // namespace tm47::test
