#pragma once
// The running logger's state: exactly one of each record, owned here and handed by reference
// to the code that uses it. `main` creates one Logger; a test creates a fresh one per case.
//
// Threads: everything here belongs to the GUI thread except what says otherwise (the link's
// LinkState atomics, the reading state, the keep-awake thread).

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "app/keep_awake.h"
#include "app/shell_helpers.h"
#include "config/settings.h"
#include "gps/gps_subsystem.h"
#include "instrument/link.h"
#include "instrument/reading.h"
#include "instrument/reading_processor.h"
#include "platform/clock.h"
#include "platform/com_map.h"
#include "platform/device_root.h"
#include "platform/file_handle.h"
#include "platform/output_forwarder.h"
#include "platform/screen_geometry.h"
#include "platform/serial_port.h"
#include "survey/log_session.h"
#include "survey/survey_position.h"
#include "survey/survey_session.h"
#include "viewer/viewer_state.h"

namespace tm47 {

// Timer 1 belongs to the Monitor/Log window, which is created after the link; the link talks
// to this relay, and the window attaches itself as the target.
class LinkTimerRelay final : public LinkTimer {
public:
    void SetTarget(LinkTimer* target) { target_ = target; }
    void StartTimer1(int periodMs) override;
    void KillTimer1() override;

private:
    LinkTimer* target_ = nullptr;
};

struct LoggerOptions {
    std::filesystem::path root;
    ComMap comMap = ComMap::FromEnvironment();
    bool portrait = true;
    // With --simulate: the simulator's device paths, used instead of the COM map for the
    // instrument and the GPS receiver whatever COM numbers the settings give them.
    std::string simulatedInstrumentPath;
    std::string simulatedGpsPath;
};

struct Logger {
    Logger(LoggerOptions options, const Clock& clock);
    ~Logger();
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    // The device behind a port index 0..11 for one use, honouring --simulate.
    std::string PortPath(int portIndex, SerialUse use) const;

    // Stops the link's readers and closes every port of a session (GPS, instrument, output),
    // in that order. Safe to call when nothing runs.
    void CloseSessionPorts();
    // The settings at start-up: loaded, the watch mode and the live station from them, and the
    // test-file switch counted as announced.
    void LoadStartSettings();
    // The GPS input (its readers may be writing records), the GPS monitor, the GPS port.
    void StopGps();
    // The output forwarder's writer, then the output port.
    void CloseOutputPort();

    const Clock& clock;
    DeviceRoot root;
    LoggerOptions options;

    Settings settings;
    LogSession session;
    SurveyPosition position;
    ShellState shell;
    ScreenGeometry screen;

    // Main menu.
    int highlightedButton = 1;
    bool twentyDayFlag = false;

    // Instrument link and reading processing.
    // The reading state, normalisation, nulling, the last reading, the beep counter.
    ReadingProcessor readings;
    LinkTimerRelay timer1;
    InstrumentLink link;
    // The live profile's four "previous point drawn" flags; cleared when a session starts.
    std::array<int32_t, 4> previousPoint{};

    // Output forwarding: mode 10 raw, 11 converted, below 10 off.
    OutputMode outputMode = OutputMode::Off;
    SerialPort outputPort;
    // Bytes for the output port go through this queue and its writer thread, so a receiver
    // holding XOFF never stalls the GUI thread or the instrument readers.
    OutputForwarder outputForwarder;

    // GPS input. The GPS readers start through `startGpsInput` once the port is open
    // (by default the session input of `gps` with `gpsRecordSink`); `stopGpsInput` stops it
    // first in every shutdown.
    SerialPort gpsPort;
    std::function<void(Logger&)> startGpsInput;
    std::function<void(Logger&)> stopGpsInput;
    // The GPS records of the session's data file (GpsRecordSink of its record context); set
    // by the owner of the data file, taken at each start of the GPS input.
    GpsInput::RecordSink gpsRecordSink;
    GpsSubsystem gps;

    // "Storage\TALINI\WYNIKBAD.TXT", kept open and empty from a Monitor/Log start to the end.
    FileHandle markerFile;

    // The file viewer, and the offset order of stored readings that it sets from each line
    // header it indexes (back to "before normalising" when the viewer exits).
    ViewerState viewer;
    OffsetOrder offsetOrder = OffsetOrder::BeforeNormalising;

    KeepAwake keepAwake;

    // The logging session: its data file, record context, QC check, watch and controller.
    // Made by the main window once the Monitor/Log screen it talks to exists; declared last,
    // so it goes before the records it works on.
    std::unique_ptr<SurveySession> survey;
};

} // namespace tm47
