#pragma once
// A scripted serial peer for tests: a pseudo-terminal whose slave path the code under test
// opens as a serial port, while the test reads and writes the master side directly.

#include <cstdint>
#include <string>
#include <vector>

namespace tm47::testing {

class PtyPeer {
public:
    PtyPeer();
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    void Write(const std::vector<uint8_t>& bytes) const;
    void Write(const std::string& text) const {
        Write(std::vector<uint8_t>(text.begin(), text.end()));
    }
    // Reads what arrived within `ms` milliseconds (returns early once `atLeast` bytes came).
    std::vector<uint8_t> Read(int ms, std::size_t atLeast = SIZE_MAX) const;
    int MasterFd() const { return master_; }
    // Closes both of the peer's ends: every open of the slave is hung up, as when a USB
    // adapter is pulled.
    void HangUp();

private:
    int master_ = -1;
    int slaveKeepAlive_ = -1; // keeps the slave side configured between opens
    std::string slavePath_;
};

} // namespace tm47::testing
