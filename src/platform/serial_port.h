#pragma once
// Serial ports on POSIX termios, with the line settings and read time-outs the instrument,
// the GPS receiver and the output device rely on. Every port is raw: no echo, no CR/LF
// translation, no bit stripping, no signals.
//
// A port is not shared: it is opened, locked with flock() and then put in exclusive mode, so
// neither a second program nor a device prober can take bytes from it.
//
// Closing is race-free: a SerialPort is a shared handle to one port. Close() marks the port
// closed for every handle, wakes any reader blocked in a read, gives up the lock and lets go
// of the device at once (so a replugged adapter gets its old name back); the descriptor number
// itself stays reserved until the last handle lets go, so a reader thread never reads a number
// that has been reused for another file. A reader sees IsOpen() false within one read time-out.
//
// A pulled USB adapter, or a pseudo-terminal whose other end closed, hangs the port up: poll()
// then reports it readable for ever with nothing to read. The first read that sees it closes
// the port for every handle, as Close() does, and reports HungUp; Reopen() can then bring the
// same path back for every handle once the device has returned.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tm47 {

enum class SerialUse { Instrument, Gps, Output };

// Line settings as the setup dialogs store them (indices into the dialog lists).
struct SerialLineSettings {
    int baudIndex = 1;     // 0..5 = 4800, 9600, 19200, 38400, 57600, 115200
    int parityIndex = 0;   // 0 none, 1 even, 2 odd
    int dataBitsIndex = 1; // 0 = 7, 1 = 8
    int stopBitsIndex = 0; // 0 = 1, 1 = 2
};

// Read time-out in milliseconds: per byte asked for (multiplier) plus a constant.
struct SerialTimeouts {
    uint32_t readTotalMultiplier = 0;
    uint32_t readTotalConstant = 0;
};

SerialTimeouts TimeoutsFor(SerialUse use);

// Byte(s) arrived; nothing came in time; the port was closed; the device went away.
enum class ReadResult { Byte, Timeout, Closed, HungUp };

class SerialPort {
public:
    SerialPort() = default; // a closed port

    // Opens `path` for `use`. On failure the port stays closed, `error` tells why
    // ("open(/dev/ttyUSB0): No such file or directory") and `sysError` holds the errno
    // (EBUSY when another open file holds the port's lock).
    bool Open(const std::string& path, SerialUse use, const SerialLineSettings& line,
              std::string* error = nullptr, int* sysError = nullptr);
    // After a hang-up: opens the same path with the same settings again, for every handle of
    // this port. True when the port is open afterwards; false when the device is still away
    // or the port was closed on purpose.
    bool Reopen(std::string* error = nullptr) const;

    bool IsOpen() const;
    // True once a read has seen the device go away, until a Reopen succeeds.
    bool HungUp() const;
    // Marks the port closed for every handle, wakes blocked readers, lets go of the device and
    // drops this handle's share. A port closed this way is never reopened by Reopen().
    void Close();

    // Reads one byte, giving up after the use's per-byte time-out (multiplier + constant).
    ReadResult ReadByte(uint8_t& out) const;
    // Reads one byte with an explicit limit in ms.
    ReadResult ReadByteWithin(uint8_t& out, uint32_t timeoutMs) const;
    // Writes all bytes (waiting while the driver is full); returns the count written.
    std::size_t Write(const void* data, std::size_t size) const;
    bool WriteByte(uint8_t b) const { return Write(&b, 1) == 1; }
    // Discards unsent output (PURGE_TXCLEAR) / unread input (PURGE_RXCLEAR). Purging the input
    // also empties the buffers of every SerialReader on this port.
    void PurgeTx() const;
    void PurgeRx() const;

    const std::string& Path() const;
    uint32_t ByteTimeoutMs() const;

private:
    friend class SerialReader;
    struct Descriptor;
    struct State;
    static std::shared_ptr<Descriptor> OpenDevice(const std::string& path, SerialUse use,
                                                  const SerialLineSettings& line,
                                                  std::string* error, int* sysError);
    // Reads what is there, up to `capacity` bytes, waiting at most `timeoutMs` for the first.
    // `generation` is the input generation the bytes belong to. A readable `interruptFd`
    // (an eventfd, or -1) ends the wait early as a Timeout.
    ReadResult ReadSome(uint8_t* data, std::size_t capacity, std::size_t& got, uint64_t& generation,
                        uint32_t timeoutMs, int interruptFd = -1) const;
    uint64_t InputGeneration() const;
    // Waits `timeoutMs`, or less when the port is released or `interruptFd` is readable.
    void WaitUnlessReleased(uint32_t timeoutMs, int interruptFd) const;

    std::shared_ptr<State> state_;
};

// A reader thread's own handle and buffer. Each system call takes every byte the driver has;
// the caller still gets them one at a time, with the same time-outs as single-byte reads.
// A purge of the port's input (on any handle) empties the buffer too, so no byte read before
// a purge is handed out after it. Interrupt() (any thread) ends the current wait at once, so
// a reader can wait long for bytes and still react to a stop or a suspension without delay.
class SerialReader {
public:
    explicit SerialReader(SerialPort port);
    ~SerialReader();
    SerialReader(SerialReader&& other) noexcept;
    SerialReader(const SerialReader&) = delete;
    SerialReader& operator=(const SerialReader&) = delete;
    SerialReader& operator=(SerialReader&&) = delete;

    // The next byte, waiting at most the use's per-byte time-out when the buffer is empty.
    ReadResult Next(uint8_t& out) { return NextWithin(out, port_.ByteTimeoutMs()); }
    ReadResult NextWithin(uint8_t& out, uint32_t timeoutMs);
    // Any thread: the current (or next) wait for bytes returns Timeout at once.
    void Interrupt() const;
    // Sleeps `ms` without looking at the line, so bytes gather in the driver meanwhile; an
    // Interrupt() or the port's release ends it early (and the interrupt still ends the next
    // wait for bytes, so the caller sees it there).
    void Rest(uint32_t ms) const;
    // Drops what is buffered (a suspension: the bytes belong to the old mode).
    void Clear() { begin_ = end_ = 0; }
    std::size_t Buffered() const { return end_ - begin_; }
    const SerialPort& Port() const { return port_; }

private:
    SerialPort port_;
    int interruptFd_ = -1;
    std::array<uint8_t, 512> buffer_{};
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    uint64_t generation_ = 0;
};

} // namespace tm47
