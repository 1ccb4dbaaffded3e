// The console's adapter pull and return: the device and its link go away (a reader of the
// old device sees the hang-up), and a new device answers at the same link later.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <unistd.h>

#include "pty_client.h"
#include "sim/gps_simulator.h"
#include "sim/instrument_simulator.h"
#include "sim/sim_commands.h"

namespace tm47 {
namespace {

using namespace std::chrono_literals;

bool LinkExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_symlink(path, ec);
}

// Waits at most `limit` for `done`.
template <typename Done> bool Within(std::chrono::milliseconds limit, Done done) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(5ms);
    }
    return done();
}

TEST(SimConsole, HangupAndReturnOfTheInstrumentAndTheGpsReceiver) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("tm47-hangup-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    InstrumentConfig ic;
    ic.delivery = Delivery::Polled;
    ic.linkPath = dir / "instrument";
    GpsConfig gc;
    gc.intervalMs = 50;
    gc.linkPath = dir / "gps";
    InstrumentSimulator instrument(ic);
    GpsSimulator gps(gc);
    ASSERT_TRUE(instrument.Start());
    ASSERT_TRUE(gps.Start());

    const std::string help = SimCommandHelp();
    for (const char* word : {"hangup", "return [MS]", "gps hangup", "gps return [MS]"}) {
        EXPECT_NE(help.find(word), std::string::npos) << word;
    }

    test::PtyClient before(ic.linkPath);
    EXPECT_EQ(before.Command('X'), "OK");
    EXPECT_TRUE(RunSimCommand("hangup", instrument, &gps).ok);
    EXPECT_FALSE(LinkExists(ic.linkPath));
    uint8_t b = 0;
    EXPECT_EQ(before.port.ReadByteWithin(b, 500), ReadResult::HungUp);

    EXPECT_TRUE(RunSimCommand("return", instrument, &gps).ok);
    test::PtyClient after(ic.linkPath);
    EXPECT_EQ(after.Command('X'), "OK") << "a new device answers at the same link";

    EXPECT_TRUE(RunSimCommand("gps hangup", instrument, &gps).ok);
    EXPECT_FALSE(LinkExists(gc.linkPath));
    EXPECT_TRUE(RunSimCommand("gps return 100", instrument, &gps).ok);
    EXPECT_FALSE(LinkExists(gc.linkPath)) << "not yet";
    EXPECT_TRUE(Within(3000ms, [&] { return LinkExists(gc.linkPath); }));

    for (const char* bad : {"return x", "return -5", "gps return 1 2", "hangup now"}) {
        EXPECT_FALSE(RunSimCommand(bad, instrument, &gps).ok) << bad;
    }
    gps.Stop();
    instrument.Stop();
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace tm47
