// tm47sim: the simulated instrument and GPS receiver on pseudo-terminals, driven by commands
// on standard input. It prints the device paths (or makes the links asked for), so a logger
// can be pointed at them with --port COMn=PATH.
//
// It ends on "quit", SIGINT, SIGTERM or SIGHUP. The end of standard input does not end it,
// so it can run in the background with its input closed.

#include "sim/gps_simulator.h"
#include "sim/instrument_simulator.h"
#include "sim/sim_commands.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

constexpr const char* kUsage =
    "Usage: tm47sim [OPTION]...\n"
    "The TM47KVB instrument and a GPS receiver, simulated on pseudo-terminals. Commands on\n"
    "standard input drive them; type help for the list.\n\n"
    "  --polled | --streaming     how the instrument delivers frames (default: polled)\n"
    "  --high-power               the high-power variant (TM47HXB)\n"
    "  --differential             differential letters (D/N, J/K) instead of T/M, j/k\n"
    "  --alternate-letters        the E/F letter set instead of T/D\n"
    "  --antenna N                0 \"1 x 0.5 m\", 1 \"1 x 1 m\", 2 \"0.5 x 0.5 m\", 3 \"Hand "
    "Held\"\n"
    "  --qc-row N                 row 0..3 of the QC coil table the QC response follows\n"
    "  --battery V                instrument battery in volts (default 12)\n"
    "  --seed N                   seed of the simulated survey ground\n"
    "  --instrument-link PATH     make PATH a symbolic link to the instrument device\n"
    "  --gps-link PATH            make PATH a symbolic link to the GPS device\n"
    "  --gps-interval MS          milliseconds between GPS epochs (default 1000)\n"
    "  --no-gps                   simulate no GPS receiver\n"
    "  --help                     this text\n"
    "  --version                  the program's version\n";

template <typename T> bool ParseValue(const char* text, T& out) {
    const std::string_view s(text);
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

struct Options {
    tm47::InstrumentConfig instrument;
    tm47::GpsConfig gps;
    bool withGps = true;
};

// Returns 0 to go on, else the exit code (after printing why).
int ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        const char* name = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto needValue = [&](auto& out) {
            if (!value || !ParseValue(value, out)) {
                return false;
            }
            ++i;
            return true;
        };
        auto needPath = [&](std::string& out) {
            if (!value) {
                return false;
            }
            out = value;
            ++i;
            return true;
        };
        bool ok = true;
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return -1;
        } else if (a == "--version") {
            std::printf("tm47sim %s\n", TM47_PACKAGE_VERSION);
            return -1;
        } else if (a == "--polled") {
            o.instrument.delivery = tm47::Delivery::Polled;
        } else if (a == "--streaming") {
            o.instrument.delivery = tm47::Delivery::Streaming;
        } else if (a == "--high-power") {
            o.instrument.highPower = true;
        } else if (a == "--differential") {
            o.instrument.differential = true;
        } else if (a == "--alternate-letters") {
            o.instrument.alternateLetters = true;
        } else if (a == "--antenna") {
            ok = needValue(o.instrument.antenna) && o.instrument.antenna >= 0 &&
                 o.instrument.antenna <= 3;
        } else if (a == "--qc-row") {
            ok =
                needValue(o.instrument.qcRow) && o.instrument.qcRow >= 0 && o.instrument.qcRow <= 3;
        } else if (a == "--battery") {
            ok = needValue(o.instrument.batteryVolts);
        } else if (a == "--seed") {
            ok = needValue(o.instrument.seed);
        } else if (a == "--instrument-link") {
            ok = needPath(o.instrument.linkPath);
        } else if (a == "--gps-link") {
            ok = needPath(o.gps.linkPath);
        } else if (a == "--gps-interval") {
            ok = needValue(o.gps.intervalMs) && o.gps.intervalMs > 0;
        } else if (a == "--no-gps") {
            o.withGps = false;
        } else {
            std::fprintf(stderr, "tm47sim: unknown option %s\n%s", name, kUsage);
            return 2;
        }
        if (!ok) {
            std::fprintf(stderr, "tm47sim: %s needs a valid value\n%s", name, kUsage);
            return 2;
        }
    }
    return 0;
}

void PrintDevice(const char* what, const std::string& device, const std::string& slave) {
    if (device != slave) {
        std::printf("%s: %s -> %s\n", what, device.c_str(), slave.c_str());
    } else {
        std::printf("%s: %s\n", what, device.c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int rc = ParseOptions(argc, argv, options); rc != 0) {
        return rc < 0 ? 0 : rc;
    }

    // The signals that end the program are blocked in every thread and picked up by the
    // command loop, so the simulators stop in order and the links are removed.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

    tm47::InstrumentSimulator instrument(options.instrument);
    // The receiver walks in step with the instrument, along the default line direction (south).
    tm47::GpsConfig gpsConfig = options.gps;
    gpsConfig.metersAlongLine = [&instrument] { return instrument.WalkedMeters(); };
    tm47::GpsSimulator gps(gpsConfig);
    std::string error;
    if (!instrument.Start(&error)) {
        std::fprintf(stderr, "tm47sim: instrument: %s\n", error.c_str());
        return 1;
    }
    if (options.withGps && !gps.Start(&error)) {
        std::fprintf(stderr, "tm47sim: gps: %s\n", error.c_str());
        instrument.Stop();
        return 1;
    }
    PrintDevice("instrument", instrument.DevicePath(), instrument.SlavePath());
    if (options.withGps) {
        PrintDevice("gps", gps.DevicePath(), gps.SlavePath());
    }
    std::printf("type \"help\" for commands\n");
    std::fflush(stdout);

    bool inputOpen = true;
    bool quit = false;
    std::string pending;
    while (!quit) {
        pollfd fd{STDIN_FILENO, POLLIN, 0};
        const int ready = inputOpen ? poll(&fd, 1, 200) : poll(nullptr, 0, 200);
        sigset_t waiting;
        sigemptyset(&waiting);
        if (sigpending(&waiting) == 0 &&
            (sigismember(&waiting, SIGINT) || sigismember(&waiting, SIGTERM) ||
             sigismember(&waiting, SIGHUP))) {
            break;
        }
        if (ready <= 0 || !(fd.revents & (POLLIN | POLLHUP))) {
            continue;
        }
        char buf[512];
        const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            if (n < 0 && errno == EINTR) {
                continue;
            }
            inputOpen = false; // keep simulating until a signal ends the program
            continue;
        }
        pending.append(buf, static_cast<std::size_t>(n));
        std::size_t eol;
        while (!quit && (eol = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, eol);
            pending.erase(0, eol + 1);
            const tm47::SimCommandResult r =
                tm47::RunSimCommand(line, instrument, options.withGps ? &gps : nullptr);
            std::fputs(r.reply.c_str(), r.ok ? stdout : stderr);
            std::fflush(stdout);
            quit = r.quit;
        }
    }

    gps.Stop();
    instrument.Stop();
    return 0;
}
