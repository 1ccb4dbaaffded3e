// The simulator's console: the help text word for word, and each command's replies, refusals
// and usage lines, with and without a simulated GPS receiver.

#include <gtest/gtest.h>

#include <string>

#include "sim/gps_simulator.h"
#include "sim/instrument_simulator.h"
#include "sim/sim_commands.h"

namespace tm47 {
namespace {

TEST(SimConsole, HelpListsEveryCommandInItsColumns) {
    EXPECT_EQ(SimCommandHelp(),
              "commands:\n"
              "  trigger on | trigger off   hold or release the instrument's trigger button\n"
              "  wheel [N]                  N survey wheel steps forwards (wheel mode)\n"
              "  wheel back [N]             N survey wheel steps backwards (wheel mode)\n"
              "  qc pass | qc fail | qc none  press the QC coil button\n"
              "  unplug | replug            pull the instrument cable / put it back\n"
              "  hangup                     pull the instrument's USB adapter: its device goes "
              "away\n"
              "  return [MS]                plug the adapter back, at once or after MS ms\n"
              "  garbage N                  send N random bytes\n"
              "  battery V                  set the instrument battery to V volts\n"
              "  walk on | walk off         walk along the line or stand still\n"
              "  gps ok | gps bad | gps silent  GPS sentences good, with bad checksums, or none\n"
              "  gps hangup | gps return [MS]  the same pull and return for the GPS receiver\n"
              "  status                     counters\n"
              "  help                       this text\n"
              "  quit                       stop the simulator\n");
}

struct Case {
    const char* line;
    bool ok;
    const char* reply;
};

const char* const kUnknownGps = "no GPS receiver is simulated\n";

// Replies that do not depend on the device paths or counters.
const Case kCases[] = {
    {"", true, ""},
    {"  \t ", true, ""},
    {"trigger on", true, "trigger on\n"},
    {"trigger off", true, "trigger off\n"},
    {"trigger maybe", false, "unknown command: trigger maybe (try \"help\")\n"},
    {"wheel", true, "note: the instrument is not in wheel mode; no frames sent\n"},
    {"wheel back 2", true, "note: the instrument is not in wheel mode; no frames sent\n"},
    {"wheel 0", false, "usage: wheel [back] [N]\n"},
    {"wheel back x", false, "usage: wheel [back] [N]\n"},
    {"wheel 1 2", false, "usage: wheel [back] [N]\n"},
    {"wheel back 1 2", false, "unknown command: wheel back 1 2 (try \"help\")\n"},
    {"qc pass", true, ""},
    {"qc none", true, ""},
    {"qc maybe", false, "usage: qc pass|fail|none\n"},
    {"qc", false, "unknown command: qc (try \"help\")\n"},
    {"unplug", true, "instrument unplugged\n"},
    {"replug", true, "instrument plugged in\n"},
    {"replug now", false, "unknown command: replug now (try \"help\")\n"},
    {"return x", false, "usage: return [MS]\n"},
    {"return 3600001", false, "usage: return [MS]\n"},
    {"garbage 3", true, ""},
    {"garbage", false, "usage: garbage N\n"},
    {"garbage 100001", false, "usage: garbage N\n"},
    {"battery 11.5", true, ""},
    {"battery 38.5", false, "usage: battery V (0 to 38 volts)\n"},
    {"walk off", true, ""},
    {"walk", false, "unknown command: walk (try \"help\")\n"},
    {"gps bad", true, ""},
    {"gps ok", true, ""},
    {"gps loud", false, "usage: gps ok|bad|silent\n"},
    {"gps ok now", false, "unknown command: gps ok now (try \"help\")\n"},
    {"gps hangup 5", false, "usage: gps hangup | gps return [MS]\n"},
    {"gps return 1 2", false, "unknown command: gps return 1 2 (try \"help\")\n"},
    {"gps", false, "unknown command: gps (try \"help\")\n"},
    {"help me", false, "unknown command: help me (try \"help\")\n"},
    {"dance", false, "unknown command: dance (try \"help\")\n"},
};

const Case kCasesWithoutGps[] = {
    {"gps ok", false, kUnknownGps},
    {"gps loud", false, kUnknownGps},
    {"gps hangup", false, kUnknownGps},
    {"gps return 100", false, kUnknownGps},
    {"gps ok now", false, "unknown command: gps ok now (try \"help\")\n"},
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
    for (const Case& c : kCasesWithoutGps) {
        const SimCommandResult r = RunSimCommand(c.line, instrument, nullptr);
        EXPECT_EQ(r.ok, c.ok) << c.line;
        EXPECT_EQ(r.reply, c.reply) << c.line;
    }
    const SimCommandResult help = RunSimCommand("help", instrument, &gps);
    EXPECT_EQ(help.reply, SimCommandHelp());
    const SimCommandResult quit = RunSimCommand(" quit ", instrument, &gps);
    EXPECT_TRUE(quit.ok && quit.quit);
    EXPECT_EQ(quit.reply, "");
    gps.Stop();
    instrument.Stop();
}

TEST(SimConsole, CommandsReachTheInstrument) {
    InstrumentSimulator instrument;
    ASSERT_TRUE(instrument.Start());
    RunSimCommand("trigger on", instrument, nullptr);
    EXPECT_TRUE(instrument.TriggerHeld());
    RunSimCommand("unplug", instrument, nullptr);
    EXPECT_FALSE(instrument.Plugged());
    const SimCommandResult status = RunSimCommand("status", instrument, nullptr);
    EXPECT_EQ(status.reply.rfind("instrument " + instrument.DevicePath() +
                                     ": awaiting command, unplugged, trigger held\n  frames 0",
                                 0),
              0u)
        << status.reply;
    RunSimCommand("wheel 3", instrument, nullptr);
    EXPECT_EQ(instrument.Counters().wheelTriggers, 3u);
    instrument.Stop();
}

} // namespace
} // namespace tm47
