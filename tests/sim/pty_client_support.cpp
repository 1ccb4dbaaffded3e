#include "pty_client.h"

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace tm47::test {

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

PtyClient::PtyClient(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        return;
    }
    termios tio{};
    if (tcgetattr(fd_, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(fd_, TCSANOW, &tio);
    }
}

PtyClient::~PtyClient() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

void PtyClient::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd_, bytes.data(), bytes.size());
        if (n <= 0) {
            pollfd p{fd_, POLLOUT, 0};
            poll(&p, 1, 10);
            continue;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

std::string PtyClient::ReadBytes(std::size_t count, int timeoutMs) {
    std::string out;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < count) {
        const int left = RemainingMs(deadline);
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, left) <= 0 || !(p.revents & POLLIN)) {
            break;
        }
        char buf[512];
        const ssize_t n = read(fd_, buf, std::min(sizeof buf, count - out.size()));
        if (n <= 0) {
            break;
        }
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

std::string PtyClient::ReadFor(int ms) {
    std::string out;
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const int left = RemainingMs(deadline);
        if (left <= 0) {
            break;
        }
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, left) <= 0) {
            continue;
        }
        if (!(p.revents & POLLIN)) {
            break; // hung up
        }
        char buf[512];
        const ssize_t n = read(fd_, buf, sizeof buf);
        if (n <= 0) {
            break;
        }
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

std::string PtyClient::Command(char letter, int timeoutMs) {
    Write("H");
    Write(std::string(1, letter));
    return ReadBytes(2, timeoutMs);
}

void PtyClient::DiscardInput() {
    tcflush(fd_, TCIFLUSH);
}

std::vector<Frame15> SplitFrames(std::string_view b) {
    static constexpr std::string_view kLetters = "TDEFMNPQJKjk";
    std::vector<Frame15> frames;
    std::size_t start = 0;
    for (std::size_t i = 14; i < b.size(); ++i) {
        if (i - 14 < start || b[i] != 0x7F || b[i - 1] != 0x7F ||
            kLetters.find(b[i - 14]) == std::string_view::npos) {
            continue;
        }
        Frame15 f;
        std::memcpy(f.data(), b.data() + i - 14, 15);
        frames.push_back(f);
        start = i + 1;
    }
    return frames;
}

double DecodedChannel(const Frame15& f, int i, double factor) {
    const auto raw = static_cast<int16_t>((f[2 + 2 * i] << 8) | f[3 + 2 * i]);
    const int field = (f[1] >> (6 - 2 * i)) & 3;
    const double divisor = field == 3 ? 100 : field == 1 ? 10 : 1;
    return raw * 4.8333 / divisor * factor;
}

int Reference(const Frame15& f) {
    return static_cast<int16_t>((f[10] << 8) | f[11]);
}

} // namespace tm47::test
