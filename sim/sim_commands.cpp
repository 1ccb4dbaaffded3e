#include "sim/sim_commands.h"

#include "sim/gps_simulator.h"
#include "sim/instrument_simulator.h"

#include <array>
#include <charconv>
#include <optional>
#include <vector>

namespace tm47 {

namespace {

std::vector<std::string_view> SplitWords(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
            ++i;
        }
        if (i > start) {
            words.push_back(line.substr(start, i - start));
        }
    }
    return words;
}

template <typename T> bool ParseNumber(std::string_view text, T& out) {
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, out);
    return r.ec == std::errc() && r.ptr == end;
}

const char* ModeName(InstrumentMode m) {
    switch (m) {
    case InstrumentMode::AwaitingCommand:
        return "awaiting command";
    case InstrumentMode::Normal:
        return "normal";
    case InstrumentMode::Wheel:
        return "wheel";
    }
    return "?";
}

SimCommandResult Error(std::string text) {
    return {false, false, std::move(text) + "\n"};
}

SimCommandResult Ok(std::string text = {}) {
    return {true, false, text.empty() ? text : text + "\n"};
}

// What a command acts on.
struct Simulators {
    InstrumentSimulator& instrument;
    GpsSimulator* gps; // null when no receiver is simulated
};
using Words = std::vector<std::string_view>;
// A command's action: the reply, or nothing when the words are not this command's shape (the
// line is then offered to the next command of the same word, else it is unknown).
using CommandFn = std::optional<SimCommandResult> (*)(const Words& w, Simulators& sims);

std::optional<SimCommandResult> Trigger(const Words& w, Simulators& sims) {
    if (w.size() != 2 || (w[1] != "on" && w[1] != "off")) {
        return std::nullopt;
    }
    sims.instrument.SetTrigger(w[1] == "on");
    return Ok("trigger " + std::string(w[1]));
}

std::optional<SimCommandResult> Wheel(const Words& w, Simulators& sims) {
    if (w.size() > 3) {
        return std::nullopt;
    }
    const bool back = w.size() > 1 && w[1] == "back";
    const std::size_t countAt = back ? 2 : 1;
    int count = 1;
    if (w.size() > countAt + 1 || (w.size() > countAt && !ParseNumber(w[countAt], count)) ||
        count < 1 || count > 100000) {
        return Error("usage: wheel [back] [N]");
    }
    for (int i = 0; i < count; ++i) {
        sims.instrument.WheelTrigger(back);
    }
    if (sims.instrument.Mode() != InstrumentMode::Wheel) {
        return Ok("note: the instrument is not in wheel mode; no frames sent");
    }
    return Ok();
}

std::optional<SimCommandResult> Qc(const Words& w, Simulators& sims) {
    if (w.size() != 2) {
        return std::nullopt;
    }
    if (w[1] == "pass") {
        sims.instrument.PressQcButton(QcResponse::Pass);
    } else if (w[1] == "fail") {
        sims.instrument.PressQcButton(QcResponse::Fail);
    } else if (w[1] == "none") {
        sims.instrument.PressQcButton(QcResponse::None);
    } else {
        return Error("usage: qc pass|fail|none");
    }
    return Ok();
}

std::optional<SimCommandResult> Plug(const Words& w, Simulators& sims) {
    if (w.size() != 1) {
        return std::nullopt;
    }
    if (w[0] == "unplug") {
        sims.instrument.Unplug();
        return Ok("instrument unplugged");
    }
    sims.instrument.Replug();
    return Ok("instrument plugged in");
}

std::optional<SimCommandResult> Hangup(const Words& w, Simulators& sims) {
    if (w.size() != 1) {
        return std::nullopt;
    }
    sims.instrument.Hangup();
    return Ok("instrument adapter pulled");
}

std::optional<SimCommandResult> Return(const Words& w, Simulators& sims) {
    if (w.size() > 2) {
        return std::nullopt;
    }
    int delayMs = 0;
    if (w.size() == 2 && (!ParseNumber(w[1], delayMs) || delayMs < 0 || delayMs > 3600000)) {
        return Error("usage: return [MS]");
    }
    std::string error;
    if (!sims.instrument.Return(delayMs, &error)) {
        return Error(error);
    }
    return Ok(delayMs > 0 ? "instrument adapter returns in " + std::to_string(delayMs) + " ms"
                          : "instrument adapter back at " + sims.instrument.DevicePath());
}

std::optional<SimCommandResult> Garbage(const Words& w, Simulators& sims) {
    std::size_t count = 0;
    if (w.size() != 2 || !ParseNumber(w[1], count) || count > 100000) {
        return Error("usage: garbage N");
    }
    sims.instrument.InjectGarbage(count);
    return Ok();
}

std::optional<SimCommandResult> Battery(const Words& w, Simulators& sims) {
    double volts = 0;
    if (w.size() != 2 || !ParseNumber(w[1], volts) || volts < 0 || volts > 38) {
        return Error("usage: battery V (0 to 38 volts)");
    }
    sims.instrument.SetBatteryVolts(volts);
    return Ok();
}

std::optional<SimCommandResult> Walk(const Words& w, Simulators& sims) {
    if (w.size() != 2 || (w[1] != "on" && w[1] != "off")) {
        return std::nullopt;
    }
    sims.instrument.SetWalking(w[1] == "on");
    return Ok();
}

std::optional<SimCommandResult> GpsFaults(const Words& w, Simulators& sims) {
    if (w.size() != 2 || w[1] == "hangup" || w[1] == "return") {
        return std::nullopt;
    }
    if (!sims.gps) {
        return Error("no GPS receiver is simulated");
    }
    if (w[1] == "ok") {
        sims.gps->SetFault(GpsFault::None);
    } else if (w[1] == "bad") {
        sims.gps->SetFault(GpsFault::BadChecksum);
    } else if (w[1] == "silent") {
        sims.gps->SetFault(GpsFault::Silent);
    } else {
        return Error("usage: gps ok|bad|silent");
    }
    return Ok();
}

std::optional<SimCommandResult> GpsAdapter(const Words& w, Simulators& sims) {
    if (w.size() < 2 || w.size() > 3 || (w[1] != "hangup" && w[1] != "return")) {
        return std::nullopt;
    }
    if (!sims.gps) {
        return Error("no GPS receiver is simulated");
    }
    if (w[1] == "hangup" && w.size() == 2) {
        sims.gps->Hangup();
        return Ok("gps adapter pulled");
    }
    int delayMs = 0;
    if (w[1] != "return" ||
        (w.size() == 3 && (!ParseNumber(w[2], delayMs) || delayMs < 0 || delayMs > 3600000))) {
        return Error("usage: gps hangup | gps return [MS]");
    }
    std::string error;
    if (!sims.gps->Return(delayMs, &error)) {
        return Error(error);
    }
    return Ok(delayMs > 0 ? "gps adapter returns in " + std::to_string(delayMs) + " ms"
                          : "gps adapter back at " + sims.gps->DevicePath());
}

std::optional<SimCommandResult> Status(const Words& w, Simulators& sims) {
    if (w.size() != 1) {
        return std::nullopt;
    }
    const InstrumentSimulator& instrument = sims.instrument;
    const InstrumentCounters c = instrument.Counters();
    std::string s =
        std::string("instrument ") + instrument.DevicePath() + ": " + ModeName(instrument.Mode()) +
        (instrument.Plugged() ? "" : ", unplugged") +
        (instrument.HungUp() ? ", adapter pulled" : "") +
        (instrument.TriggerHeld() ? ", trigger held" : "") + "\n  frames " +
        std::to_string(c.framesSent) + ", dropped " + std::to_string(c.framesDropped) + ", polls " +
        std::to_string(c.polls) + ", commands " + std::to_string(c.commands) + ", wheel triggers " +
        std::to_string(c.wheelTriggers) + ", garbage bytes " + std::to_string(c.garbageBytesSent);
    if (sims.gps) {
        const GpsCounters g = sims.gps->Counters();
        s += "\ngps " + sims.gps->DevicePath() + ": sentences " + std::to_string(g.sentencesSent) +
             ", bad " + std::to_string(g.badSentencesSent) + ", bytes received " +
             std::to_string(g.bytesReceived);
    }
    return Ok(s);
}

std::optional<SimCommandResult> Help(const Words& w, Simulators&) {
    if (w.size() != 1) {
        return std::nullopt;
    }
    return SimCommandResult{true, false, SimCommandHelp()};
}

std::optional<SimCommandResult> Quit(const Words& w, Simulators&) {
    if (w.size() != 1) {
        return std::nullopt;
    }
    return SimCommandResult{true, true, {}};
}

// A line of the help, and the first words that run its action (a line may describe two
// commands, and a word may have two lines; an empty action only describes).
struct SimCommand {
    std::string_view usage;
    std::string_view help;
    std::array<std::string_view, 2> words;
    CommandFn run;
};

// The commands in the order "help" lists them.
constexpr std::array kCommands{
    SimCommand{"trigger on | trigger off",
               "hold or release the instrument's trigger button",
               {"trigger"},
               Trigger},
    SimCommand{"wheel [N]", "N survey wheel steps forwards (wheel mode)", {"wheel"}, Wheel},
    SimCommand{"wheel back [N]", "N survey wheel steps backwards (wheel mode)", {}, nullptr},
    SimCommand{"qc pass | qc fail | qc none", "press the QC coil button", {"qc"}, Qc},
    SimCommand{
        "unplug | replug", "pull the instrument cable / put it back", {"unplug", "replug"}, Plug},
    SimCommand{
        "hangup", "pull the instrument's USB adapter: its device goes away", {"hangup"}, Hangup},
    SimCommand{"return [MS]", "plug the adapter back, at once or after MS ms", {"return"}, Return},
    SimCommand{"garbage N", "send N random bytes", {"garbage"}, Garbage},
    SimCommand{"battery V", "set the instrument battery to V volts", {"battery"}, Battery},
    SimCommand{"walk on | walk off", "walk along the line or stand still", {"walk"}, Walk},
    SimCommand{"gps ok | gps bad | gps silent",
               "GPS sentences good, with bad checksums, or none",
               {"gps"},
               GpsFaults},
    SimCommand{"gps hangup | gps return [MS]",
               "the same pull and return for the GPS receiver",
               {"gps"},
               GpsAdapter},
    SimCommand{"status", "counters", {"status"}, Status},
    SimCommand{"help", "this text", {"help"}, Help},
    SimCommand{"quit", "stop the simulator", {"quit"}, Quit},
};

// The column where the help's descriptions start, unless a usage is longer.
constexpr std::size_t kUsageWidth = 27;

} // namespace

std::string SimCommandHelp() {
    std::string text = "commands:\n";
    for (const SimCommand& c : kCommands) {
        text += "  ";
        text += c.usage;
        text.append(c.usage.size() + 2 > kUsageWidth ? 2 : kUsageWidth - c.usage.size(), ' ');
        text += c.help;
        text += '\n';
    }
    return text;
}

SimCommandResult RunSimCommand(std::string_view line, InstrumentSimulator& instrument,
                               GpsSimulator* gps) {
    const Words w = SplitWords(line);
    if (w.empty()) {
        return Ok();
    }
    Simulators sims{instrument, gps};
    for (const SimCommand& c : kCommands) {
        if (c.run && (c.words[0] == w[0] || c.words[1] == w[0])) {
            if (std::optional<SimCommandResult> result = c.run(w, sims)) {
                return *result;
            }
        }
    }
    return Error("unknown command: " + std::string(line) + " (try \"help\")");
}

} // namespace tm47
