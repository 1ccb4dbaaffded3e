#include "platform/serial_port.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include <atomic>
#include <chrono>

namespace tm47 {

// One open descriptor shared by the handles that use it. The descriptor is closed only when
// the last handle is gone, so no thread ever reads a number that was reused meanwhile.
struct SerialPort::State {
    int fd = -1;
    int wakeFd = -1; // readable once the port is closed: wakes blocked reads and writes
    std::atomic<bool> open{true};
    std::string path;
    SerialTimeouts timeouts;

    ~State() {
        if (fd >= 0) {
            ::close(fd);
        }
        if (wakeFd >= 0) {
            ::close(wakeFd);
        }
    }
};

SerialTimeouts TimeoutsFor(SerialUse use) {
    switch (use) {
    case SerialUse::Instrument:
        return {0, 10, 10, 0, 0};
    case SerialUse::Gps:
        return {100, 100, 100, 100, 100};
    case SerialUse::Output:
        return {10, 0, 10, 0, 0};
    }
    return {};
}

namespace {

speed_t BaudFromIndex(int index, bool& ok) {
    static constexpr speed_t kBauds[] = {B4800, B9600, B19200, B38400, B57600, B115200};
    ok = index >= 0 && index < 6;
    return ok ? kBauds[index] : B0;
}

std::string Reason(const char* call, const std::string& path) {
    return std::string(call) + "(" + path + "): " + std::strerror(errno);
}

// Instrument: 9600 8N1, no flow control, RTS and DTR raised.
void ConfigureInstrument(termios& tio) {
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
}

// GPS and output ports: line settings from the setup lists, XON/XOFF both ways, RTS and DTR
// lowered. An index outside its list leaves the field as the driver reported it.
void ConfigureFromSettings(termios& tio, const SerialLineSettings& line) {
    bool ok = false;
    speed_t baud = BaudFromIndex(line.baudIndex, ok);
    if (ok) {
        cfsetispeed(&tio, baud);
        cfsetospeed(&tio, baud);
    }
    if (line.parityIndex == 0) {
        tio.c_cflag &= ~(PARENB | PARODD);
    } else if (line.parityIndex == 1) {
        tio.c_cflag = (tio.c_cflag | PARENB) & ~PARODD;
    } else if (line.parityIndex == 2) {
        tio.c_cflag |= PARENB | PARODD;
    }
    if (line.dataBitsIndex == 0 || line.dataBitsIndex == 1) {
        tio.c_cflag = (tio.c_cflag & ~CSIZE) | (line.dataBitsIndex == 0 ? CS7 : CS8);
    }
    if (line.stopBitsIndex == 0) {
        tio.c_cflag &= ~CSTOPB;
    } else if (line.stopBitsIndex == 1) {
        tio.c_cflag |= CSTOPB;
    }
    tio.c_cflag &= ~CRTSCTS;
    tio.c_iflag |= IXON | IXOFF;
}

} // namespace

bool SerialPort::Open(const std::string& path, SerialUse use, const SerialLineSettings& line,
                      std::string* error) {
    Close();
    auto fail = [&](std::string why) {
        if (error) {
            *error = std::move(why);
        }
        return false;
    };
    auto state = std::make_shared<State>();
    state->path = path;
    state->timeouts = TimeoutsFor(use);
    state->fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (state->fd < 0) {
        return fail(Reason("open", path));
    }
    if (!isatty(state->fd)) {
        errno = ENOTTY;
        return fail(Reason("isatty", path));
    }
    state->wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (state->wakeFd < 0) {
        return fail(Reason("eventfd", path));
    }
    termios tio{};
    if (tcgetattr(state->fd, &tio) != 0) {
        return fail(Reason("tcgetattr", path));
    }
    // Binary: no echo, no CR/LF translation, no bit stripping, no signals.
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (use == SerialUse::Instrument) {
        ConfigureInstrument(tio);
    } else {
        ConfigureFromSettings(tio, line);
    }
    if (tcsetattr(state->fd, TCSANOW, &tio) != 0) {
        // A pseudo-terminal may refuse a baud rate; retry with the speed it has.
        termios current{};
        tcgetattr(state->fd, &current);
        cfsetispeed(&tio, cfgetispeed(&current));
        cfsetospeed(&tio, cfgetospeed(&current));
        if (tcsetattr(state->fd, TCSANOW, &tio) != 0) {
            return fail(Reason("tcsetattr", path));
        }
    }
    // RTS/DTR: a pseudo-terminal refuses modem lines; that is not an error.
    int lines = TIOCM_RTS | TIOCM_DTR;
    ioctl(state->fd, use == SerialUse::Instrument ? TIOCMBIS : TIOCMBIC, &lines);
    state_ = std::move(state);
    return true;
}

bool SerialPort::IsOpen() const {
    return state_ && state_->open.load();
}

void SerialPort::Close() {
    if (!state_) {
        return;
    }
    state_->open.store(false);
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(state_->wakeFd, &one, sizeof one);
    state_.reset();
}

ReadResult SerialPort::ReadByte(uint8_t& out) const {
    if (!state_) {
        return ReadResult::Closed;
    }
    const auto& t = state_->timeouts;
    return ReadByteWithin(out, t.readTotalMultiplier + t.readTotalConstant);
}

ReadResult SerialPort::ReadByteWithin(uint8_t& out, uint32_t timeoutMs) const {
    // Keep the state alive for the whole call even if the handle is closed meanwhile.
    std::shared_ptr<State> s = state_;
    if (!s || !s->open.load()) {
        return ReadResult::Closed;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left < 0) {
            left = 0;
        }
        pollfd fds[2] = {{s->fd, POLLIN, 0}, {s->wakeFd, POLLIN, 0}};
        int r = ::poll(fds, 2, static_cast<int>(left));
        if (!s->open.load() || (r > 0 && (fds[1].revents & POLLIN))) {
            return ReadResult::Closed;
        }
        if (r > 0 && (fds[0].revents & POLLIN)) {
            ssize_t n = ::read(s->fd, &out, 1);
            if (n == 1) {
                return ReadResult::Byte;
            }
        } else if (r > 0 && (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))) {
            // An unplugged device or a pseudo-terminal without its master stays "readable"
            // with nothing to read: wait out the time-out so the caller sees silence.
            poll(&fds[1], 1, static_cast<int>(left));
            return s->open.load() ? ReadResult::Timeout : ReadResult::Closed;
        }
        if (r == 0 || left == 0) {
            return ReadResult::Timeout;
        }
        if (r < 0 && errno != EINTR) {
            return ReadResult::Timeout;
        }
    }
}

std::size_t SerialPort::Write(const void* data, std::size_t size) const {
    std::shared_ptr<State> s = state_;
    if (!s || !s->open.load()) {
        return 0;
    }
    const auto* p = static_cast<const uint8_t*>(data);
    std::size_t done = 0;
    while (done < size && s->open.load()) {
        ssize_t n = ::write(s->fd, p + done, size - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            break;
        }
        // The driver is full (or the peer holds XOFF): wait until it drains or the port closes.
        pollfd fds[2] = {{s->fd, POLLOUT, 0}, {s->wakeFd, POLLIN, 0}};
        ::poll(fds, 2, 100);
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            break;
        }
    }
    return done;
}

void SerialPort::PurgeTx() const {
    if (auto s = state_) {
        tcflush(s->fd, TCOFLUSH);
    }
}

void SerialPort::PurgeRx() const {
    if (auto s = state_) {
        tcflush(s->fd, TCIFLUSH);
    }
}

const std::string& SerialPort::Path() const {
    static const std::string kNone;
    return state_ ? state_->path : kNone;
}

} // namespace tm47
