// The simulator's console: each command's reply or refusal, with and without a simulated GPS
// receiver. (The adapter pull and return themselves are the GUI session tests'.)

#include <gtest/gtest.h>

#include <string>

#include "sim/gps_simulator.h"
#include "sim/instrument_simulator.h"
#include "sim/sim_commands.h"

namespace tm47 {
namespace {

struct Case {
    const char* line;
    bool ok;
    const char* reply;
};

// One row per reply or refusal: usage lines at the bounds, "unknown" for a word too many.
const Case kCases[] = {
    {"  \t ", true, ""},
    {"trigger on", true, "trigger on\n"},
    {"trigger maybe", false, "unknown command: trigger maybe (try \"help\")\n"},
    {"wheel back 2", true, "note: the instrument is not in wheel mode; no frames sent\n"},
    {"wheel 0", false, "usage: wheel [back] [N]\n"},
    {"wheel back 1 2", false, "unknown command: wheel back 1 2 (try \"help\")\n"},
    {"qc maybe", false, "usage: qc pass|fail|none\n"},
    {"unplug", true, "instrument unplugged\n"},
    {"replug", true, "instrument plugged in\n"},
    {"return 3600001", false, "usage: return [MS]\n"},
    {"hangup now", false, "unknown command: hangup now (try \"help\")\n"},
    {"garbage 100001", false, "usage: garbage N\n"},
    {"battery 38.5", false, "usage: battery V (0 to 38 volts)\n"},
    {"gps loud", false, "usage: gps ok|bad|silent\n"},
    {"gps hangup 5", false, "usage: gps hangup | gps return [MS]\n"},
    {"help me", false, "unknown command: help me (try \"help\")\n"},
};

TEST(SimConsole, RepliesAndRefusals) {
    InstrumentSimulator instrument;
    GpsSimulator gps;
    ASSERT_TRUE(instrument.Start());
    ASSERT_TRUE(gps.Start());
    for (const Case& c : kCases) {
        const SimCommandResult r = RunSimCommand(c.line, instrument, &gps);
        EXPECT_EQ(r.ok, c.ok) << c.line;
        EXPECT_EQ(r.reply, c.reply) << c.line;
        EXPECT_FALSE(r.quit) << c.line;
    }
    const SimCommandResult noGps = RunSimCommand("gps ok", instrument, nullptr);
    EXPECT_FALSE(noGps.ok);
    EXPECT_EQ(noGps.reply, "no GPS receiver is simulated\n");
    EXPECT_EQ(RunSimCommand("help", instrument, &gps).reply, SimCommandHelp());
    const SimCommandResult quit = RunSimCommand(" quit ", instrument, &gps);
    EXPECT_TRUE(quit.ok && quit.quit);

    // The commands reached the instrument.
    EXPECT_TRUE(instrument.TriggerHeld());
    EXPECT_TRUE(instrument.Plugged());
    const auto triggers = instrument.Counters().wheelTriggers;
    RunSimCommand("wheel 3", instrument, nullptr);
    EXPECT_EQ(instrument.Counters().wheelTriggers, triggers + 3);
    gps.Stop();
    instrument.Stop();
}

} // namespace
} // namespace tm47
