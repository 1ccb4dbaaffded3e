#pragma once
// Serial ports on POSIX termios, with the line settings and read time-outs the instrument,
// the GPS receiver and the output device rely on. Every port is raw: no echo, no CR/LF
// translation, no bit stripping, no signals.
//
// Closing is race-free: a SerialPort is a shared handle to one open descriptor. Close() marks
// the port closed and wakes any reader blocked in Read(); the descriptor itself is released
// only when the last handle lets go, so a reader thread never reads a descriptor number that
// has been reused for another file. A reader sees IsOpen() false within one read time-out.

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

// Read and write time-outs in milliseconds, as the handheld's comm API had them.
struct SerialTimeouts {
    uint32_t readInterval = 0;
    uint32_t readTotalMultiplier = 0;
    uint32_t readTotalConstant = 0;
    uint32_t writeTotalMultiplier = 0;
    uint32_t writeTotalConstant = 0;
};

SerialTimeouts TimeoutsFor(SerialUse use);

enum class ReadResult { Byte, Timeout, Closed };

class SerialPort {
public:
    SerialPort() = default; // a closed port

    // Opens `path` for `use`. On failure the port stays closed and `error` tells why
    // ("open(/dev/ttyUSB0): No such file or directory").
    bool Open(const std::string& path, SerialUse use, const SerialLineSettings& line,
              std::string* error = nullptr);

    bool IsOpen() const;
    // Marks the port closed, wakes blocked readers and drops this handle's share.
    void Close();

    // Reads one byte, giving up after the use's per-byte time-out (multiplier + constant).
    ReadResult ReadByte(uint8_t& out) const;
    // Reads one byte with an explicit limit in ms.
    ReadResult ReadByteWithin(uint8_t& out, uint32_t timeoutMs) const;
    // Writes all bytes (waiting while the driver is full); returns the count written.
    std::size_t Write(const void* data, std::size_t size) const;
    bool WriteByte(uint8_t b) const { return Write(&b, 1) == 1; }
    // Discards unsent output (PURGE_TXCLEAR) / unread input (PURGE_RXCLEAR).
    void PurgeTx() const;
    void PurgeRx() const;

    const std::string& Path() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace tm47
