// The operator's reason for a port that did not open, and which paths are one device.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <unistd.h>

#include "platform/port_open_failure.h"
#include "tests/support/pty_peer.h"

namespace tm47 {
namespace {

TEST(PortOpenFailure, SaysWhatIsWrongAndHowToFixIt) {
    struct Row {
        PortOpenFacts facts;
        const char* expected;
    };
    const Row rows[] = {
        {{"/dev/ttyUSB0", ENOENT, "", ""}, "/dev/ttyUSB0: not found"},
        {{"/dev/ttyUSB1", EBUSY, "minicom (pid 4242)", ""},
         "/dev/ttyUSB1: busy, held by minicom (pid 4242)"},
        {{"/dev/ttyS0", EACCES, "", "dialout"},
         "/dev/ttyS0: permission denied; join the group dialout (sudo usermod -aG dialout $USER) "
         "and log in again"},
        {{"/dev/ttyS0", EIO, "", ""}, "/dev/ttyS0: Input/output error"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(FormatPortOpenFailure(r.facts), r.expected);
    }
}

TEST(PortOpenFailure, PathsThatReachOneDeviceAreTheSamePort) {
    testing::PtyPeer one;
    testing::PtyPeer other;
    const std::string link =
        std::filesystem::temp_directory_path() / ("tm47-same-" + std::to_string(getpid()));
    std::filesystem::remove(link);
    std::filesystem::create_symlink(one.SlavePath(), link);
    EXPECT_TRUE(SameDevice(link, one.SlavePath()));
    EXPECT_FALSE(SameDevice(one.SlavePath(), other.SlavePath()));
    EXPECT_TRUE(SameDevice("/dev/ttyUSB90", "/dev/ttyUSB90")); // missing devices: by name
    std::filesystem::remove(link);
}

} // namespace
} // namespace tm47
