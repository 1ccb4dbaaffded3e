#include "app/monitor_log_start.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "app/port_check.h"
#include "app/program_stop.h"
#include "platform/port_open_failure.h"

namespace tm47 {

namespace {

constexpr const char* kSerialCaption = "Serial Port";

// Created empty at every start and kept open until the program ends; nothing reads it.
void ReplaceMarkerFile(Logger& logger) {
    logger.markerFile.reset();
    const std::filesystem::path path = logger.root.Map(kMarkerFileName);
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    logger.markerFile = OpenFile(path.c_str(), "w+b");
    if (!logger.markerFile) {
        std::cerr << "app: fopen(" << path.string() << ") failed: " << std::strerror(errno) << "\n";
    }
}

// The use's message, then the device and why it did not open.
std::string FailureText(const char* text, const std::string& path, int sysError) {
    return std::string(text) + "\n" + DescribePortOpenFailure(path, sysError);
}

// The one port-open operation of the shell (GPS and output ports; the instrument port goes
// through the link): the device behind COMn, the use's line settings, and the use's message
// ("Serial Port") on failure.
bool OpenSerialPort(Logger& logger, MessageSink& messages, SerialPort& port, int portIndex,
                    SerialUse use, const SerialLineSettings& line, const char* text) {
    std::string error;
    int sysError = 0;
    const std::string path = logger.PortPath(portIndex, use);
    if (port.Open(path, use, line, &error, &sysError)) {
        return true;
    }
    std::cerr << "serial: COM" << portIndex + 1 << " -> " << path << ": " << error << "\n";
    messages.Show(kSerialCaption, FailureText(text, path, sysError), MessageIcon::None,
                  MessageButtons::Ok);
    return false;
}

} // namespace

void ShowProgramStop(MessageSink& messages, MonitorLogView& view) {
    messages.Show(kProgramStopCaption, ProgramStopText(), MessageIcon::Exclamation,
                  MessageButtons::Ok);
    view.EndProgram(0);
}

bool OpenGpsPort(Logger& logger, MessageSink& messages) {
    const Settings& s = logger.settings;
    return OpenSerialPort(logger, messages, logger.gpsPort, s.gpsPort, SerialUse::Gps,
                          {s.gpsBaud, s.gpsParity, s.gpsDataBits, s.gpsStopBits},
                          "Cannot open GPS port");
}

bool OpenOutputPort(Logger& logger, MessageSink& messages) {
    const Settings& s = logger.settings;
    return OpenSerialPort(logger, messages, logger.outputPort, s.outputPort, SerialUse::Output,
                          {s.outputBaud, s.outputParity, s.outputDataBits, s.outputStopBits},
                          "Cannot open MODEM port");
}

MonitorLogResult StartMonitorLog(Logger& logger, MessageSink& messages, MonitorLogView& view) {
    Settings& s = logger.settings;
    LogSession& session = logger.session;
    LinkState& link = logger.link.State();

    // A new, empty marker file.
    ReplaceMarkerFile(logger);

    // Counters of the reading processing, the reader and the live profile.
    logger.readings.ResetForSession(logger.clock.Tick());
    link.frameCounter.store(0);
    link.frameDivisor.store(1);
    logger.previousPoint = {};

    // The tick counter must not be near its limit for a whole session.
    if (PastTickLimit(logger.clock.Tick())) {
        ShowProgramStop(messages, view);
        return MonitorLogResult::ProgramStop;
    }

    // No two enabled uses on one port; checked before anything is opened.
    if (PortsConflict(s, [&](int index, SerialUse use) { return logger.PortPath(index, use); })) {
        messages.Show(kSerialCaption, "Same Port Assigned", MessageIcon::None, MessageButtons::Ok);
        view.RedrawMenu();
        return MonitorLogResult::PortConflict;
    }

    // Output forwarding. A port that does not open is reported and the session goes on
    // without it.
    session.StartWatching();
    session.screenActive = true;
    logger.outputMode = OutputModeOf(s);
    if (logger.outputMode != OutputMode::Off) {
        if (OpenOutputPort(logger, messages)) {
            logger.outputForwarder.Start(logger.outputPort);
        }
    }

    // Open the instrument port.
    std::string error;
    int sysError = 0;
    const std::string path = logger.PortPath(s.instrumentPort, SerialUse::Instrument);
    if (!logger.link.OpenPort(path, &error, &sysError)) {
        std::cerr << "serial: COM" << s.instrumentPort + 1 << " -> " << path << ": " << error
                  << "\n";
        messages.Show(kSerialCaption, FailureText("Cannot open TM47-KVB port", path, sysError),
                      MessageIcon::None, MessageButtons::Ok);
        logger.CloseOutputPort();
        session.screenActive = false;
        view.RedrawMenu();
        return MonitorLogResult::InstrumentPortFailed;
    }

    // Normal reading mode; the answer tells polled or streaming delivery.
    if (logger.link.SendInstrumentCommand(LinkState::gainLetter, 'X') == 0) {
        messages.Show("Connection", "Instrument OFF or Disconnected", MessageIcon::None,
                      MessageButtons::Ok);
        logger.link.Stop();
        logger.CloseOutputPort();
        session.screenActive = false;
        view.RedrawMenu();
        return MonitorLogResult::InstrumentSilent;
    }

    // Readers and timer 1; the reading state starts normalising.
    WaitMs(logger.clock, 100);
    logger.link.StartLink(true);
    WaitMs(logger.clock, 50);

    // Start the GPS input when it is enabled and its port opens.
    if (s.gpsEnabled == 1 && OpenGpsPort(logger, messages) && logger.startGpsInput) {
        logger.startGpsInput(logger);
    }

    // The Monitor/Log screen in the Monitor state.
    view.ShowMonitorScreen();
    view.RedrawMenu();
    return MonitorLogResult::Started;
}

} // namespace tm47
