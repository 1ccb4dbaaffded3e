#include "survey/logging_texts_qt.h"

#include "platform/c_numbers.h"

namespace tm47 {

namespace {

constexpr const char* kTriggerModes[3] = {"Auto", "Wheel", "Manual"};

} // namespace

void UpdateSessionTexts(std::array<QString, kLogFieldCount>& texts, const SessionTextInputs& in) {
    auto setText = [&texts](LogField f, const QString& s) {
        texts[static_cast<std::size_t>(f)] = s;
    };
    const DataFile* data = in.data;
    const bool open = data && data->IsOpen();
    setText(LogField::FileName,
            open ? QStringLiteral("File:") + QString::fromStdU16String(data->name).left(8)
                 : QString());
    const SessionState state = in.state;
    setText(LogField::StateWord, state == SessionState::Monitor   ? QStringLiteral("Monitor")
                                 : state == SessionState::StandBy ? QStringLiteral("Stand By")
                                                                  : QStringLiteral("Logging"));
    const int mode = in.settings.surveyMode;
    setText(LogField::TriggerMode,
            mode >= 0 && mode <= 2 ? QString::fromLatin1(kTriggerModes[mode]) : QString());
    setText(LogField::LineLabel, QStringLiteral("Ln:"));
    setText(LogField::StationLabel, QStringLiteral("Stn:"));
    setText(LogField::Line, open ? QString::fromStdU16String(in.settings.surveyLine) : QString());
    setText(LogField::Station,
            open ? QString::fromStdString(StationFieldText(in.position.station)) : QString());
    setText(LogField::DeviceBattery, QString::fromStdString(PrintfInt(in.batteryPercent, 3) + "%"));
    const bool gps = in.settings.gpsEnabled == 1;
    setText(LogField::GpsDisabled, gps ? QString() : QStringLiteral("GPS  Input  disabled"));
    setText(LogField::GpsPosLabel, gps ? QStringLiteral("Pos") : QString());
    setText(LogField::GpsCountLabel, gps ? QStringLiteral("#") : QString());
    setText(LogField::GpsPdopLabel, gps ? QStringLiteral("PDOP:") : QString());
    setText(LogField::GpsSatLabel, gps ? QStringLiteral("Sat:") : QString());
    QString& fix = texts[static_cast<std::size_t>(LogField::GpsFix)];
    QString& pdop = texts[static_cast<std::size_t>(LogField::GpsPdop)];
    if (!gps) {
        fix.clear();
        pdop.clear();
    } else {
        if (fix.isEmpty()) {
            fix = QStringLiteral("NO FIX");
        }
        if (pdop.isEmpty()) {
            pdop = QStringLiteral("N/A");
        }
    }
}

} // namespace tm47
