#include "app/logger.h"

#include "config/settings_file.h"

namespace tm47 {

void LinkTimerRelay::StartTimer1(int periodMs) {
    if (target_) {
        target_->StartTimer1(periodMs);
    }
}

void LinkTimerRelay::KillTimer1() {
    if (target_) {
        target_->KillTimer1();
    }
}

Logger::Logger(LoggerOptions opts, const Clock& clk)
    : clock(clk), root(opts.root), options(std::move(opts)), link(clk, timer1, readings),
      gps(clk, [this] {
          return GpsStatusInputs{settings.gpsEnabled == 1, session.state == SessionState::Logging,
                                 position.manualTriggerLatch == TriggerLatch::Take};
      }) {
    shell.portrait = options.portrait;
    startGpsInput = [](Logger& logger) {
        logger.gps.input.SetRecordSink(logger.gpsRecordSink);
        logger.gps.StartSessionInput(logger.gpsPort);
    };
    stopGpsInput = [](Logger& logger) { logger.gps.StopSessionInput(); };
}

Logger::~Logger() {
    keepAwake.Stop();
    CloseSessionPorts();
}

std::string Logger::PortPath(int portIndex, SerialUse use) const {
    if (use == SerialUse::Instrument && !options.simulatedInstrumentPath.empty()) {
        return options.simulatedInstrumentPath;
    }
    if (use == SerialUse::Gps && !options.simulatedGpsPath.empty()) {
        return options.simulatedGpsPath;
    }
    return options.comMap.PathForIndex(portIndex);
}

void Logger::CloseSessionPorts() {
    StopGps();
    link.Stop();
    CloseOutputPort();
}

void Logger::LoadStartSettings() {
    UpdateCyclesPerReading(settings);
    LoadSettings(settings, root);
    session.FollowSurveyMode(settings.surveyMode);
    ResetSurveyPosition(position, settings); // the live station starts there
    session.testFileAnnounced = settings.writeTestFile;
}

void Logger::StopGps() {
    if (stopGpsInput) {
        stopGpsInput(*this);
    }
    gps.StopMonitor();
    gpsPort.Close();
}

void Logger::CloseOutputPort() {
    outputForwarder.Stop();
    outputPort.Close();
}

} // namespace tm47
