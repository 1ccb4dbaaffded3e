#include "sim/gps_simulator.h"
#include "sim/instrument_simulator.h"
#include "sim/sim_commands.h"

#include <gtest/gtest.h>

namespace tm47 {
namespace {

TEST(SimCommands, AcceptsTheConsoleWordsRejectsTheRestAndReachesTheSimulators) {
    InstrumentSimulator instrument;
    GpsSimulator gps;
    for (const char* line : {"", "help", "wheel", "wheel 3", "wheel back", "qc pass", "qc fail",
                             "qc none", "garbage 12", "battery 11.5", "walk off", "gps silent",
                             "gps ok", "status", "  trigger   on \r"}) {
        const SimCommandResult r = RunSimCommand(line, instrument, &gps);
        EXPECT_TRUE(r.ok && !r.quit) << '"' << line << '"';
    }
    for (const char* line : {"trigger", "wheel sideways", "wheel 0", "qc maybe", "garbage",
                             "garbage -1", "battery 11,5", "battery", "gps loud", "launch"}) {
        const SimCommandResult r = RunSimCommand(line, instrument, &gps);
        EXPECT_FALSE(r.ok || r.quit || r.reply.empty()) << '"' << line << '"';
    }
    EXPECT_TRUE(RunSimCommand("quit", instrument, &gps).quit);
    EXPECT_TRUE(instrument.TriggerHeld());
    RunSimCommand("trigger off", instrument, &gps);
    EXPECT_FALSE(instrument.TriggerHeld());
    RunSimCommand("unplug", instrument, &gps);
    EXPECT_FALSE(instrument.Plugged());
    RunSimCommand("replug", instrument, &gps);
    EXPECT_TRUE(instrument.Plugged());
    RunSimCommand("wheel back 2", instrument, &gps);
    EXPECT_EQ(instrument.Counters().wheelTriggers, 7u); // 1 + 3 + 1 + 2
    RunSimCommand("gps bad", instrument, &gps);
    EXPECT_EQ(gps.Fault(), GpsFault::BadChecksum);
    EXPECT_FALSE(RunSimCommand("gps ok", instrument, nullptr).ok);
    EXPECT_NE(RunSimCommand("help", instrument, &gps).reply.find("qc pass"), std::string::npos);
}

} // namespace
} // namespace tm47
