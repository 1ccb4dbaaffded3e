#include "platform/serial_port.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <utility>

namespace tm47 {

// One open of the device. Released (lock given up, device let go) when the port closes or
// hangs up; the descriptor number itself is closed only when the last user is gone, so no
// thread ever polls or reads a number that was reused meanwhile.
struct SerialPort::Descriptor {
    int fd = -1;
    int wakeFd = -1; // readable once released: wakes blocked reads and writes
    std::atomic<bool> open{true};

    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
        if (wakeFd >= 0) {
            ::close(wakeFd);
        }
    }

    // Any thread, once (under the port's mutex). The device goes at once: the number is
    // pointed at /dev/null, which drops this process's last reference to the terminal.
    void Release() {
        if (!open.exchange(false)) {
            return;
        }
        uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(wakeFd, &one, sizeof one);
        ::flock(fd, LOCK_UN);
        ::ioctl(fd, TIOCNXCL); // fails on a hung-up device, which has nothing to clear
        const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
};

// What every handle of one port shares. `desc` changes only at a hang-up and a Reopen.
struct SerialPort::State {
    std::string path;
    SerialUse use = SerialUse::Instrument;
    SerialLineSettings line;
    SerialTimeouts timeouts;
    std::atomic<bool> open{false};
    std::atomic<bool> hungUp{false};
    std::atomic<uint64_t> inputGeneration{0}; // counts input purges and reopens
    mutable std::mutex mutex;                 // guards `desc` and `closed`
    std::shared_ptr<Descriptor> desc;
    bool closed = false; // closed on purpose: never reopened

    std::shared_ptr<Descriptor> Current() const {
        std::lock_guard lock(mutex);
        return desc;
    }

    // Under `mutex`.
    void ReleaseLocked() {
        open.store(false);
        if (desc) {
            desc->Release();
            desc.reset();
        }
    }

    ~State() {
        std::lock_guard lock(mutex);
        ReleaseLocked();
    }
};

SerialTimeouts TimeoutsFor(SerialUse use) {
    switch (use) {
    case SerialUse::Instrument:
        return {10, 10};
    case SerialUse::Gps:
        return {100, 100};
    case SerialUse::Output:
        return {0, 10};
    }
    return {};
}

namespace {

speed_t BaudFromIndex(int index, bool& ok) {
    static constexpr speed_t kBauds[] = {B4800, B9600, B19200, B38400, B57600, B115200};
    ok = index >= 0 && index < 6;
    return ok ? kBauds[index] : B0;
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

std::shared_ptr<SerialPort::Descriptor> SerialPort::OpenDevice(const std::string& path,
                                                               SerialUse use,
                                                               const SerialLineSettings& line,
                                                               std::string* error, int* sysError) {
    auto fail = [&](const char* call, int err) -> std::shared_ptr<Descriptor> {
        if (error) {
            *error = std::string(call) + "(" + path + "): " + std::strerror(err);
        }
        if (sysError) {
            *sysError = err;
        }
        return nullptr;
    };
    auto d = std::make_shared<Descriptor>();
    d->fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (d->fd < 0) {
        return fail("open", errno);
    }
    if (!isatty(d->fd)) {
        return fail("isatty", ENOTTY);
    }
    // Not shared: the lock first, since exclusive mode alone leaves a window between another
    // program's open and its ioctl, and does not stop root. No lock files: they go stale.
    if (::flock(d->fd, LOCK_EX | LOCK_NB) != 0) {
        return fail("flock", errno == EWOULDBLOCK ? EBUSY : errno);
    }
    ::ioctl(d->fd, TIOCEXCL); // a refusal only loses the second guard
    d->wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (d->wakeFd < 0) {
        return fail("eventfd", errno);
    }
    termios tio{};
    if (tcgetattr(d->fd, &tio) != 0) {
        return fail("tcgetattr", errno);
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
    if (tcsetattr(d->fd, TCSANOW, &tio) != 0) {
        // A pseudo-terminal may refuse a baud rate; retry with the speed it has.
        termios current{};
        tcgetattr(d->fd, &current);
        cfsetispeed(&tio, cfgetispeed(&current));
        cfsetospeed(&tio, cfgetospeed(&current));
        if (tcsetattr(d->fd, TCSANOW, &tio) != 0) {
            return fail("tcsetattr", errno);
        }
    }
    // RTS/DTR: a pseudo-terminal refuses modem lines; that is not an error.
    int lines = TIOCM_RTS | TIOCM_DTR;
    ioctl(d->fd, use == SerialUse::Instrument ? TIOCMBIS : TIOCMBIC, &lines);
    return d;
}

bool SerialPort::Open(const std::string& path, SerialUse use, const SerialLineSettings& line,
                      std::string* error, int* sysError) {
    Close();
    auto desc = OpenDevice(path, use, line, error, sysError);
    if (!desc) {
        return false;
    }
    auto state = std::make_shared<State>();
    state->path = path;
    state->use = use;
    state->line = line;
    state->timeouts = TimeoutsFor(use);
    state->desc = std::move(desc);
    state->open.store(true);
    state_ = std::move(state);
    return true;
}

bool SerialPort::Reopen(std::string* error) const {
    const std::shared_ptr<State> s = state_;
    if (!s) {
        return false;
    }
    std::lock_guard lock(s->mutex);
    if (s->closed) {
        return false;
    }
    if (s->desc) {
        return true;
    }
    auto desc = OpenDevice(s->path, s->use, s->line, error, nullptr);
    if (!desc) {
        return false;
    }
    s->desc = std::move(desc);
    s->inputGeneration.fetch_add(1);
    s->hungUp.store(false);
    s->open.store(true);
    return true;
}

bool SerialPort::IsOpen() const {
    return state_ && state_->open.load();
}

bool SerialPort::HungUp() const {
    return state_ && state_->hungUp.load();
}

void SerialPort::Close() {
    if (!state_) {
        return;
    }
    {
        std::lock_guard lock(state_->mutex);
        state_->closed = true;
        state_->ReleaseLocked();
    }
    state_.reset();
}

ReadResult SerialPort::ReadByte(uint8_t& out) const {
    return ReadByteWithin(out, ByteTimeoutMs());
}

ReadResult SerialPort::ReadByteWithin(uint8_t& out, uint32_t timeoutMs) const {
    std::size_t got = 0;
    uint64_t generation = 0;
    return ReadSome(&out, 1, got, generation, timeoutMs);
}

uint64_t SerialPort::InputGeneration() const {
    return state_ ? state_->inputGeneration.load() : 0;
}

ReadResult SerialPort::ReadSome(uint8_t* data, std::size_t capacity, std::size_t& got,
                                uint64_t& generation, uint32_t timeoutMs, int interruptFd) const {
    got = 0;
    // Keep the state alive for the whole call even if the handle is closed meanwhile.
    const std::shared_ptr<State> s = state_;
    if (!s) {
        return ReadResult::Closed;
    }
    const std::shared_ptr<Descriptor> d = s->Current();
    const auto gone = [&] { return s->hungUp.load() ? ReadResult::HungUp : ReadResult::Closed; };
    if (!d || !d->open.load()) {
        return gone();
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const auto msLeft = [&] {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        return static_cast<int>(left < 0 ? 0 : left);
    };
    // Sleeps out the rest of the time-out (or until the port closes): never a busy loop.
    const auto waitOut = [&] {
        pollfd wake{d->wakeFd, POLLIN, 0};
        ::poll(&wake, 1, msLeft());
        return d->open.load() ? ReadResult::Timeout : gone();
    };
    for (;;) {
        pollfd fds[3] = {{d->fd, POLLIN, 0}, {d->wakeFd, POLLIN, 0}, {interruptFd, POLLIN, 0}};
        const int r = ::poll(fds, interruptFd >= 0 ? 3 : 2, msLeft());
        if (!d->open.load() || (r > 0 && (fds[1].revents & POLLIN))) {
            return gone();
        }
        if (r > 0 && (fds[2].revents & POLLIN)) {
            uint64_t count = 0;
            [[maybe_unused]] ssize_t n = ::read(interruptFd, &count, sizeof count);
            return ReadResult::Timeout;
        }
        if (r < 0) {
            if (errno == EINTR) {
                continue;
            }
            return waitOut();
        }
        if (r == 0) {
            return ReadResult::Timeout;
        }
        const short events = fds[0].revents;
        generation = s->inputGeneration.load();
        const ssize_t n = ::read(d->fd, data, capacity);
        const int err = errno;
        if (n > 0) {
            if (generation != s->inputGeneration.load()) {
                continue; // a purge came while these were read: they belong before it
            }
            got = static_cast<std::size_t>(n);
            return ReadResult::Byte;
        }
        // A read of 0 alone proves nothing (a live terminal with VMIN 0 gives it too): the
        // poll flags or a failing tcgetattr() tell a device that went away.
        termios probe{};
        const bool hungUp = (events & (POLLHUP | POLLERR)) || (n < 0 && err == EIO) ||
                            (tcgetattr(d->fd, &probe) != 0 && errno == EIO);
        if (hungUp) {
            std::lock_guard lock(s->mutex);
            if (s->desc == d) {
                s->hungUp.store(true);
                s->ReleaseLocked();
            }
            return gone();
        }
        if (n < 0 && err == EINTR) {
            continue;
        }
        return waitOut();
    }
}

std::size_t SerialPort::Write(const void* data, std::size_t size) const {
    const std::shared_ptr<State> s = state_;
    const std::shared_ptr<Descriptor> d = s ? s->Current() : nullptr;
    if (!d || !d->open.load()) {
        return 0;
    }
    const auto* p = static_cast<const uint8_t*>(data);
    std::size_t done = 0;
    while (done < size && d->open.load()) {
        ssize_t n = ::write(d->fd, p + done, size - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            break;
        }
        // The driver is full (or the peer holds XOFF): wait until it drains or the port closes.
        pollfd fds[2] = {{d->fd, POLLOUT, 0}, {d->wakeFd, POLLIN, 0}};
        ::poll(fds, 2, 100);
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            break;
        }
    }
    return done;
}

void SerialPort::PurgeTx() const {
    if (auto d = state_ ? state_->Current() : nullptr) {
        tcflush(d->fd, TCOFLUSH);
    }
}

void SerialPort::PurgeRx() const {
    if (!state_) {
        return;
    }
    // First the readers' buffers (their next byte comes from a fresh read), then the driver's.
    state_->inputGeneration.fetch_add(1);
    if (auto d = state_->Current()) {
        tcflush(d->fd, TCIFLUSH);
    }
}

const std::string& SerialPort::Path() const {
    static const std::string kNone;
    return state_ ? state_->path : kNone;
}

void SerialPort::WaitUnlessReleased(uint32_t timeoutMs, int interruptFd) const {
    const std::shared_ptr<State> s = state_;
    const std::shared_ptr<Descriptor> d = s ? s->Current() : nullptr;
    if (!d || !d->open.load()) {
        return;
    }
    // The interrupt is only looked at, not consumed: the next read consumes it.
    pollfd fds[2] = {{d->wakeFd, POLLIN, 0}, {interruptFd, POLLIN, 0}};
    while (::poll(fds, interruptFd >= 0 ? 2 : 1, static_cast<int>(timeoutMs)) < 0 &&
           errno == EINTR) {
    }
}

uint32_t SerialPort::ByteTimeoutMs() const {
    if (!state_) {
        return 0;
    }
    const SerialTimeouts& t = state_->timeouts;
    return t.readTotalMultiplier + t.readTotalConstant;
}

SerialReader::SerialReader(SerialPort port)
    : port_(std::move(port)), interruptFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

SerialReader::SerialReader(SerialReader&& other) noexcept
    : port_(std::move(other.port_)), interruptFd_(std::exchange(other.interruptFd_, -1)),
      buffer_(other.buffer_), begin_(other.begin_), end_(other.end_),
      generation_(other.generation_) {}

SerialReader::~SerialReader() {
    if (interruptFd_ >= 0) {
        ::close(interruptFd_);
    }
}

void SerialReader::Interrupt() const {
    if (interruptFd_ >= 0) {
        uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(interruptFd_, &one, sizeof one);
    }
}

void SerialReader::Rest(uint32_t ms) const {
    port_.WaitUnlessReleased(ms, interruptFd_);
}

ReadResult SerialReader::NextWithin(uint8_t& out, uint32_t timeoutMs) {
    if (begin_ < end_ && generation_ != port_.InputGeneration()) {
        Clear(); // purged since these were read
    }
    if (begin_ == end_) {
        std::size_t got = 0;
        const ReadResult r = port_.ReadSome(buffer_.data(), buffer_.size(), got, generation_,
                                            timeoutMs, interruptFd_);
        if (r != ReadResult::Byte) {
            return r;
        }
        begin_ = 0;
        end_ = got;
    }
    out = buffer_[begin_++];
    return ReadResult::Byte;
}

} // namespace tm47
