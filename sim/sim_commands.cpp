#include "sim/sim_commands.h"

#include "sim/gps_simulator.h"
#include "sim/instrument_simulator.h"

#include <charconv>
#include <vector>

namespace tm47 {

namespace {

std::vector<std::string_view> Words(std::string_view line) {
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

} // namespace

std::string SimCommandHelp() {
    return "commands:\n"
           "  trigger on | trigger off   hold or release the instrument's trigger button\n"
           "  wheel [N]                  N survey wheel steps forwards (wheel mode)\n"
           "  wheel back [N]             N survey wheel steps backwards (wheel mode)\n"
           "  qc pass | qc fail | qc none  press the QC coil button\n"
           "  unplug | replug            pull the instrument cable / put it back\n"
           "  hangup                     pull the instrument's USB adapter: its device goes away\n"
           "  return [MS]                plug the adapter back, at once or after MS ms\n"
           "  garbage N                  send N random bytes\n"
           "  battery V                  set the instrument battery to V volts\n"
           "  walk on | walk off         walk along the line or stand still\n"
           "  gps ok | gps bad | gps silent  GPS sentences good, with bad checksums, or none\n"
           "  gps hangup | gps return [MS]  the same pull and return for the GPS receiver\n"
           "  status                     counters\n"
           "  help                       this text\n"
           "  quit                       stop the simulator\n";
}

SimCommandResult RunSimCommand(std::string_view line, InstrumentSimulator& instrument,
                               GpsSimulator* gps) {
    const std::vector<std::string_view> w = Words(line);
    if (w.empty()) {
        return Ok();
    }
    const std::string_view cmd = w[0];
    const std::string_view arg = w.size() > 1 ? w[1] : std::string_view();
    if (cmd == "help" && w.size() == 1) {
        return {true, false, SimCommandHelp()};
    }
    if (cmd == "quit" && w.size() == 1) {
        return {true, true, {}};
    }
    if (cmd == "trigger" && w.size() == 2 && (arg == "on" || arg == "off")) {
        instrument.SetTrigger(arg == "on");
        return Ok(std::string("trigger ") + std::string(arg));
    }
    if (cmd == "wheel" && w.size() <= 3) {
        const bool back = arg == "back";
        const std::size_t countAt = back ? 2 : 1;
        int count = 1;
        if (w.size() > countAt + 1 || (w.size() > countAt && !ParseNumber(w[countAt], count)) ||
            count < 1 || count > 100000) {
            return Error("usage: wheel [back] [N]");
        }
        for (int i = 0; i < count; ++i) {
            instrument.WheelTrigger(back);
        }
        if (instrument.Mode() != InstrumentMode::Wheel) {
            return Ok("note: the instrument is not in wheel mode; no frames sent");
        }
        return Ok();
    }
    if (cmd == "qc" && w.size() == 2) {
        if (arg == "pass") {
            instrument.PressQcButton(QcResponse::Pass);
        } else if (arg == "fail") {
            instrument.PressQcButton(QcResponse::Fail);
        } else if (arg == "none") {
            instrument.PressQcButton(QcResponse::None);
        } else {
            return Error("usage: qc pass|fail|none");
        }
        return Ok();
    }
    if (cmd == "unplug" && w.size() == 1) {
        instrument.Unplug();
        return Ok("instrument unplugged");
    }
    if (cmd == "replug" && w.size() == 1) {
        instrument.Replug();
        return Ok("instrument plugged in");
    }
    if (cmd == "hangup" && w.size() == 1) {
        instrument.Hangup();
        return Ok("instrument adapter pulled");
    }
    if (cmd == "return" && w.size() <= 2) {
        int delayMs = 0;
        if (w.size() == 2 && (!ParseNumber(arg, delayMs) || delayMs < 0 || delayMs > 3600000)) {
            return Error("usage: return [MS]");
        }
        std::string error;
        if (!instrument.Return(delayMs, &error)) {
            return Error(error);
        }
        return Ok(delayMs > 0 ? "instrument adapter returns in " + std::to_string(delayMs) + " ms"
                              : "instrument adapter back at " + instrument.DevicePath());
    }
    if (cmd == "gps" && (arg == "hangup" || arg == "return") && w.size() <= 3) {
        if (!gps) {
            return Error("no GPS receiver is simulated");
        }
        if (arg == "hangup" && w.size() == 2) {
            gps->Hangup();
            return Ok("gps adapter pulled");
        }
        int delayMs = 0;
        if (arg != "return" ||
            (w.size() == 3 && (!ParseNumber(w[2], delayMs) || delayMs < 0 || delayMs > 3600000))) {
            return Error("usage: gps hangup | gps return [MS]");
        }
        std::string error;
        if (!gps->Return(delayMs, &error)) {
            return Error(error);
        }
        return Ok(delayMs > 0 ? "gps adapter returns in " + std::to_string(delayMs) + " ms"
                              : "gps adapter back at " + gps->DevicePath());
    }
    if (cmd == "garbage") {
        std::size_t count = 0;
        if (w.size() != 2 || !ParseNumber(arg, count) || count > 100000) {
            return Error("usage: garbage N");
        }
        instrument.InjectGarbage(count);
        return Ok();
    }
    if (cmd == "battery") {
        double volts = 0;
        if (w.size() != 2 || !ParseNumber(arg, volts) || volts < 0 || volts > 38) {
            return Error("usage: battery V (0 to 38 volts)");
        }
        instrument.SetBatteryVolts(volts);
        return Ok();
    }
    if (cmd == "walk" && w.size() == 2 && (arg == "on" || arg == "off")) {
        instrument.SetWalking(arg == "on");
        return Ok();
    }
    if (cmd == "gps" && w.size() == 2) {
        if (!gps) {
            return Error("no GPS receiver is simulated");
        }
        if (arg == "ok") {
            gps->SetFault(GpsFault::None);
        } else if (arg == "bad") {
            gps->SetFault(GpsFault::BadChecksum);
        } else if (arg == "silent") {
            gps->SetFault(GpsFault::Silent);
        } else {
            return Error("usage: gps ok|bad|silent");
        }
        return Ok();
    }
    if (cmd == "status" && w.size() == 1) {
        const InstrumentCounters c = instrument.Counters();
        std::string s = std::string("instrument ") + instrument.DevicePath() + ": " +
                        ModeName(instrument.Mode()) + (instrument.Plugged() ? "" : ", unplugged") +
                        (instrument.HungUp() ? ", adapter pulled" : "") +
                        (instrument.TriggerHeld() ? ", trigger held" : "") + "\n  frames " +
                        std::to_string(c.framesSent) + ", dropped " +
                        std::to_string(c.framesDropped) + ", polls " + std::to_string(c.polls) +
                        ", commands " + std::to_string(c.commands) + ", wheel triggers " +
                        std::to_string(c.wheelTriggers) + ", garbage bytes " +
                        std::to_string(c.garbageBytesSent);
        if (gps) {
            const GpsCounters g = gps->Counters();
            s += "\ngps " + gps->DevicePath() + ": sentences " + std::to_string(g.sentencesSent) +
                 ", bad " + std::to_string(g.badSentencesSent) + ", bytes received " +
                 std::to_string(g.bytesReceived);
        }
        return Ok(s);
    }
    return Error("unknown command: " + std::string(line) + " (try \"help\")");
}

} // namespace tm47
