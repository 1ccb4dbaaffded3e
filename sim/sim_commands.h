#pragma once
// The operator's console of the simulator: one command per line, as tm47sim reads them from
// standard input. Kept apart from the program so the logger's in-process simulator and the
// tests use the same words.

#include <string>
#include <string_view>

namespace tm47 {

class InstrumentSimulator;
class GpsSimulator;

struct SimCommandResult {
    bool ok = true;    // false: unknown command or bad argument (the reply says why)
    bool quit = false; // "quit" was given
    std::string reply; // text for the operator, may be empty; ends with a newline when not
};

// Runs one command line. `gps` may be null when no receiver is simulated.
SimCommandResult RunSimCommand(std::string_view line, InstrumentSimulator& instrument,
                               GpsSimulator* gps);

// The text of "help".
std::string SimCommandHelp();

} // namespace tm47
