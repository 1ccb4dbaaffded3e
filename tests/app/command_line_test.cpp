// The logger's command line, which other tools and the desktop entries rely on.

#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <sstream>
#include <tuple>

#include "app/command_line.h"

namespace tm47 {
namespace {

// The words of a command line written with single spaces.
std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    return {std::istream_iterator<std::string>(in), {}};
}

TEST(CommandLine, AcceptedForms) {
    setenv("TM47_COM3", "/dev/env3", 1);
    setenv("TM47_ROOT", "/from/environment", 1);
    // The arguments; the root (empty: TM47_ROOT's), portrait, zoom, simulate, COM3's path.
    const std::tuple<const char*, std::string, bool, int, bool, std::string> rows[] = {
        {"", "", true, 1, false, "/dev/env3"},
        {"--portrait --portrait", "", true, 1, false, "/dev/env3"},
        {"--root=/srv/hh", "/srv/hh", true, 1, false, "/dev/env3"},
        {"--port=COM3=/tmp/a=b", "", true, 1, false, "/tmp/a=b"},
        {"--zoom 8", "", true, 8, false, "/dev/env3"},
        {"--simulate --landscape --zoom=2 --root /r --port COM1=/a --port COM3=/c", "/r", false, 2,
         true, "/c"},
        // Qt's own single-dash options are left to Qt.
        {"-platform offscreen --zoom 2 -reverse", "", true, 2, false, "/dev/env3"},
    };
    for (const auto& [args, root, portrait, zoom, simulate, com3] : rows) {
        CommandLine cmd;
        std::string error;
        ASSERT_TRUE(ParseCommandLine(Words(args), cmd, error)) << args << ": " << error;
        EXPECT_EQ(
            std::tuple(cmd.root.string(), cmd.portrait, cmd.zoom, cmd.simulate,
                       cmd.comMap.PathForIndex(2)),
            std::tuple(root.empty() ? "/from/environment" : root, portrait, zoom, simulate, com3))
            << args;
    }
}

TEST(CommandLine, RejectedWithAReason) {
    for (const char* args : {"--bogus", "--root", "--root=", "--port", "--port COM13=/dev/x",
                             "--port COM0=/dev/x", "--port COM2=", "--port LPT1=/dev/x", "--zoom 0",
                             "--zoom 9", "--zoom two", "--portrait --landscape", "-platform"}) {
        CommandLine cmd;
        std::string error;
        EXPECT_FALSE(ParseCommandLine(Words(args), cmd, error)) << args;
        EXPECT_FALSE(error.empty()) << args;
    }
}

} // namespace
} // namespace tm47
