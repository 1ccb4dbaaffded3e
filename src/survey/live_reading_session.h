#pragma once
// What a reading in the normal state does to the session: the record decision and the station
// of the survey model, the reading record, the beep, the live profile step and the converted
// output line; the nulling record; and the QC-coil check's hooks. The reading processing
// (instrument/reading_processor.h) runs the state machine and calls this.
//
// Qt-free: the screen is reached through the hooks (the profile's scroll step, the Stn field,
// the beep), so tests and the benchmark drive it with plain functions.
//
// GUI thread only, inside the reader's hand-over.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "config/settings.h"
#include "datafile/record_writers.h"
#include "instrument/qc_calibration.h"
#include "instrument/reading_processor.h"
#include "survey/log_session.h"
#include "survey/survey_position.h"

namespace tm47 {

struct LiveSessionHooks {
    // The live profile's scroll step with the four mapped rows.
    std::function<void(const std::array<int32_t, 4>& rows)> scrollStep;
    // The Stn field ("%-11.2f").
    std::function<void(const std::string& text)> showStation;
    std::function<void()> beep;
    // The handheld's battery in percent.
    std::function<int()> batteryPercent;
};

class LiveReadingSession final : public ReadingSession {
public:
    // `records` carries the settings, the data file and the output port; its outputMode and
    // polledLink are read at each call, so the owner may update them. `qc` may be null (no
    // QC-coil check: averaging then ends in the evaluation state without a window).
    LiveReadingSession(Settings& settings, LogSession& session, SurveyPosition& position,
                       RecordContext& records, QcCheck* qc, LiveSessionHooks hooks);

    bool Logging() const override;
    bool StandBy() const override;
    bool DecideRecord(uint8_t letter) override;
    uint32_t WriteReading(const FrameBuffer& frame, const FrameBuffer& received) override;
    void AdvanceStation(uint8_t letter) override;
    void RecordedReadingShown(const Reading& reading, uint32_t tick) override;
    void WriteNullingRecord(const std::array<float, 4>& offsets,
                            const std::array<float, 4>& previous) override;
    void Beep() override;
    void QcAveragingStarted() override;
    void QcAveragingDone() override;
    void QcEvaluate(const Reading& reading) override;
    int HandheldBatteryPercent() override;

    // The last converted reading line sent (empty before any), for tests.

private:
    Settings& settings_;
    LogSession& session_;
    SurveyPosition& position_;
    RecordContext& records_;
    QcCheck* qc_;
    LiveSessionHooks hooks_;
    std::string lastConverted_;
};

// The handheld's battery: the capacity of the first battery under `powerSupplyRoot`
// (/sys/class/power_supply), clamped to 0..100; 100 when there is none (mains power).
int ReadHandheldBatteryPercent(
    const std::filesystem::path& powerSupplyRoot = "/sys/class/power_supply");

} // namespace tm47
