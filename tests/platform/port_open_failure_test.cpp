// The operator's reason for a port that did not open. (Not found and busy, and which paths are
// one device, are the Monitor/Log window's and the port check's tests.)
#include <gtest/gtest.h>

#include <cerrno>

#include "platform/port_open_failure.h"

namespace tm47 {
namespace {

TEST(PortOpenFailure, PermissionSaysHowToFixItAndOtherErrorsTheirSystemText) {
    EXPECT_EQ(FormatPortOpenFailure({"/dev/ttyS0", EACCES, "", "dialout"}),
              "/dev/ttyS0: permission denied; join the group dialout (sudo usermod -aG dialout "
              "$USER) and log in again");
    EXPECT_EQ(FormatPortOpenFailure({"/dev/ttyS0", EIO, "", ""}), "/dev/ttyS0: Input/output error");
}

} // namespace
} // namespace tm47
