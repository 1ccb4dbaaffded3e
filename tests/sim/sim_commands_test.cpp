#include "sim/gps_simulator.h"
#include "sim/instrument_simulator.h"
#include "sim/sim_commands.h"

#include <gtest/gtest.h>

namespace tm47 {
namespace {

struct CommandCase {
    const char* line;
    bool ok;
    bool quit;
};

TEST(SimCommands, AcceptsTheConsoleWordsAndRejectsTheRest) {
    const CommandCase cases[] = {
        {"", true, false},
        {"help", true, false},
        {"quit", true, true},
        {"trigger on", true, false},
        {"trigger off", true, false},
        {"trigger", false, false},
        {"wheel", true, false},
        {"wheel 3", true, false},
        {"wheel back", true, false},
        {"wheel back 2", true, false},
        {"wheel sideways", false, false},
        {"wheel 0", false, false},
        {"qc pass", true, false},
        {"qc fail", true, false},
        {"qc none", true, false},
        {"qc maybe", false, false},
        {"unplug", true, false},
        {"replug", true, false},
        {"garbage 12", true, false},
        {"garbage", false, false},
        {"garbage -1", false, false},
        {"battery 11.5", true, false},
        {"battery 11,5", false, false}, // numbers are read the same under every locale
        {"battery", false, false},
        {"walk off", true, false},
        {"gps bad", true, false},
        {"gps silent", true, false},
        {"gps ok", true, false},
        {"gps loud", false, false},
        {"status", true, false},
        {"  trigger   on \r", true, false},
        {"launch", false, false},
    };
    for (const auto& c : cases) {
        InstrumentSimulator instrument;
        GpsSimulator gps;
        const SimCommandResult r = RunSimCommand(c.line, instrument, &gps);
        EXPECT_EQ(r.ok, c.ok) << '"' << c.line << '"';
        EXPECT_EQ(r.quit, c.quit) << '"' << c.line << '"';
        if (!c.ok) {
            EXPECT_FALSE(r.reply.empty()) << '"' << c.line << '"';
        }
    }
}

TEST(SimCommands, CommandsReachTheSimulators) {
    InstrumentSimulator instrument;
    GpsSimulator gps;
    RunSimCommand("trigger on", instrument, &gps);
    EXPECT_TRUE(instrument.TriggerHeld());
    RunSimCommand("trigger off", instrument, &gps);
    EXPECT_FALSE(instrument.TriggerHeld());
    RunSimCommand("unplug", instrument, &gps);
    EXPECT_FALSE(instrument.Plugged());
    RunSimCommand("replug", instrument, &gps);
    EXPECT_TRUE(instrument.Plugged());
    RunSimCommand("wheel back 4", instrument, &gps);
    EXPECT_EQ(instrument.Counters().wheelTriggers, 4u);
    RunSimCommand("gps bad", instrument, &gps);
    EXPECT_EQ(gps.Fault(), GpsFault::BadChecksum);
    EXPECT_FALSE(RunSimCommand("gps ok", instrument, nullptr).ok);
    EXPECT_NE(RunSimCommand("help", instrument, &gps).reply.find("qc pass"), std::string::npos);
}

} // namespace
} // namespace tm47
