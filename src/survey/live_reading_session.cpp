#include "survey/live_reading_session.h"

#include <algorithm>
#include <fstream>
#include <span>
#include <system_error>

#include "platform/output_forwarder.h"
#include "profile/profile_scale.h"

namespace tm47 {

LiveReadingSession::LiveReadingSession(Settings& settings, LogSession& session,
                                       SurveyPosition& position, RecordContext& records,
                                       QcCheck* qc, LiveSessionHooks hooks)
    : settings_(settings), session_(session), position_(position), records_(records), qc_(qc),
      hooks_(std::move(hooks)) {}

bool LiveReadingSession::Logging() const {
    return session_.state == SessionState::Logging;
}

bool LiveReadingSession::StandBy() const {
    return session_.state == SessionState::StandBy;
}

bool LiveReadingSession::DecideRecord(uint8_t letter) {
    return tm47::DecideRecord(position_, settings_, static_cast<char>(letter), Logging());
}

uint32_t LiveReadingSession::WriteReading(const FrameBuffer& frame, const FrameBuffer& received) {
    return tm47::WriteReading(records_, std::span<const uint8_t>(frame.data(), kReadingFrameBytes),
                              std::span<const uint8_t>(received.data(), kReadingFrameBytes));
}

void LiveReadingSession::AdvanceStation(uint8_t letter) {
    tm47::AdvanceStation(position_, settings_, static_cast<char>(letter));
    if (hooks_.showStation) {
        hooks_.showStation(StationFieldText(position_.station));
    }
}

void LiveReadingSession::RecordedReadingShown(const Reading& reading, uint32_t tick) {
    const std::array<float, 4> plotted = CompressValues(reading.channel, settings_.amplitudeMode);
    if (hooks_.scrollStep) {
        hooks_.scrollStep(
            ValuesToRows(plotted, settings_.profileScaleMax, settings_.profilePixelsPerUnit));
    }
    if (records_.outputMode == OutputMode::Converted && records_.output != nullptr) {
        const float channels[4] = {plotted[0], plotted[1], plotted[2], plotted[3]};
        lastConverted_ = ConvertedReadingLine(static_cast<char>(reading.letter), position_.station,
                                              channels, static_cast<int32_t>(tick));
        records_.output->Enqueue(lastConverted_);
    }
}

void LiveReadingSession::WriteNullingRecord(const std::array<float, 4>& offsets,
                                            const std::array<float, 4>& previous) {
    WriteOffsetRecords(records_, false, offsets, previous);
}

void LiveReadingSession::Beep() {
    if (hooks_.beep) {
        hooks_.beep();
    }
}

void LiveReadingSession::QcAveragingStarted() {
    if (qc_) {
        qc_->AveragingStarted(settings_.antenna);
    }
}

void LiveReadingSession::QcAveragingDone() {
    if (qc_) {
        qc_->AveragingDone();
    }
}

void LiveReadingSession::QcEvaluate(const Reading& reading) {
    if (qc_) {
        qc_->Evaluate(reading);
    }
}

int LiveReadingSession::HandheldBatteryPercent() {
    return hooks_.batteryPercent ? hooks_.batteryPercent() : ReadHandheldBatteryPercent();
}

int ReadHandheldBatteryPercent(const std::filesystem::path& powerSupplyRoot) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(powerSupplyRoot, ec)) {
        std::ifstream type(entry.path() / "type");
        std::string kind;
        if (!(type >> kind) || kind != "Battery") {
            continue;
        }
        std::ifstream capacity(entry.path() / "capacity");
        int percent = 0;
        if (capacity >> percent) {
            return std::clamp(percent, 0, 100);
        }
    }
    return 100;
}

} // namespace tm47
