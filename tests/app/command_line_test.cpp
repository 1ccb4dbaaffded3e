// The logger's command line, which other tools and the desktop entries rely on.

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "app/command_line.h"

namespace tm47 {
namespace {

// The words of a command line written with single spaces.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string w; in >> w;) {
        out.push_back(w);
    }
    return out;
}

TEST(CommandLine, AcceptedForms) {
    setenv("TM47_COM3", "/dev/env3", 1);
    setenv("TM47_ROOT", "/from/environment", 1);
    const struct {
        const char* args;
        std::string root; // empty: the TM47_ROOT folder
        bool portrait;
        int zoom;
        bool simulate;
        std::string com3; // the TM47_COM3 path unless --port names COM3
    } rows[] = {
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
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args);
        CommandLine cmd;
        std::string error;
        ASSERT_TRUE(ParseCommandLine(Words(row.args), cmd, error)) << error;
        EXPECT_EQ(cmd.root.string(), row.root.empty() ? "/from/environment" : row.root);
        EXPECT_EQ(cmd.portrait, row.portrait);
        EXPECT_EQ(cmd.zoom, row.zoom);
        EXPECT_EQ(cmd.simulate, row.simulate);
        EXPECT_EQ(cmd.comMap.PathForIndex(2), row.com3);
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
