#pragma once
// One pseudo-terminal pair standing in for a serial cable. The simulator keeps the master
// side; the logger opens the slave path exactly as it opens a real serial device.
//
// The simulator also holds one descriptor of the slave side open for as long as the pair
// lives. Without it the master reads end with EIO whenever the logger has the port closed
// (between sessions, during a link restart) and the raw line settings could be lost; with it
// the pair behaves like a cable that stays plugged into a port nobody reads.

#include <string>

namespace tm47 {

class PseudoTerminal {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Opens a master in raw mode, non-blocking. On failure `error` says which call failed.
    bool Open(std::string* error = nullptr);
    // Makes `linkPath` a symbolic link to the slave device (an existing symbolic link there
    // is replaced; any other file is left alone and the call fails).
    bool MakeLink(const std::string& linkPath, std::string* error = nullptr);
    // Closes both descriptors and removes the link if it still points to this slave.
    void Close();

    bool IsOpen() const { return masterFd_ >= 0; }
    int MasterFd() const { return masterFd_; }
    const std::string& SlavePath() const { return slavePath_; }
    // The path a peer should open: the link when there is one, else the slave device.
    const std::string& DevicePath() const { return linkPath_.empty() ? slavePath_ : linkPath_; }

private:
    int masterFd_ = -1;
    int anchorFd_ = -1; // a slave descriptor kept open, never read
    std::string slavePath_;
    std::string linkPath_;
};

// Sets O_NONBLOCK and FD_CLOEXEC; false when fcntl fails.
bool MakeNonBlocking(int fd);

} // namespace tm47
