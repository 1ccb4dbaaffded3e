#pragma once
// "Survey Setup" (template `GetSurveySetup47`): trigger mode, reading rate for Auto mode,
// survey line and line increment, sequence, direction, start station and station increment.
// Each trigger mode keeps its own station increment; while the dialog is open it works on
// copies of the three, on a working increment and on a working mode, so Cancel stores
// nothing and switching modes back and forth shows each mode's own value (or what was typed
// for it).
//
// Confirming re-arms the station count (the next recorded reading lies at the start station),
// sets the session's watch mode to the trigger mode and saves the settings.
//
// Policy beyond what the operator sees:
// - A readings-per-second value that is negative, zero, not a number, or so small or large
//   that its interval is no finite positive float, is taken as 1 reading per second.
// - A list that opened without a selection (a stored value with no item) keeps its field's
//   previous value on OK.
// - Numbers are shown and read in the C locale, whatever the process locale.
//
// Labels and controls carry their template ids as object names ("600", "620", ...) and as
// the property "controlId". GUI thread only.

#include <QDialog>

#include <array>
#include <cstdint>

class QComboBox;
class QLabel;
class QLineEdit;

namespace tm47 {

struct Settings;
struct SurveyPosition;
struct LogSession;
class DeviceRoot;

inline constexpr int kIdModeLabel = 600;
inline constexpr int kIdRateLabel = 601;
inline constexpr int kIdLineLabel = 604;
inline constexpr int kIdLineIncrementLabel = 605;
inline constexpr int kIdSequenceLabel = 606;
inline constexpr int kIdDirectionLabel = 607;
inline constexpr int kIdStartStationLabel = 608;
inline constexpr int kIdStationIncrementLabel = 609;
inline constexpr int kIdModeList = 620;
inline constexpr int kIdRateField = 621;
inline constexpr int kIdLineField = 624;
inline constexpr int kIdLineIncrementField = 625;
inline constexpr int kIdSequenceList = 626;
inline constexpr int kIdDirectionList = 627;
inline constexpr int kIdStartStationField = 628;
inline constexpr int kIdStationIncrementField = 629;

class GetSurveySetup47 : public QDialog {
    Q_OBJECT
public:
    GetSurveySetup47(Settings& settings, SurveyPosition& position, LogSession& session,
                     const DeviceRoot& root, QWidget* parent = nullptr);

    QComboBox* ModeList() const { return modeList_; }
    QLineEdit* RateField() const { return rateField_; }
    QLineEdit* LineField() const { return lineField_; }
    QLineEdit* LineIncrementField() const { return lineIncrementField_; }
    QComboBox* SequenceList() const { return sequenceList_; }
    QComboBox* DirectionList() const { return directionList_; }
    QLineEdit* StartStationField() const { return startStationField_; }
    QLineEdit* IncrementField() const { return incrementField_; }
    QLabel* IncrementLabel() const { return incrementLabel_; }

    void accept() override;

private:
    void OnModeNotification();
    void OnIncrementChanged();

    Settings& settings_;
    SurveyPosition& position_;
    LogSession& session_;
    const DeviceRoot& root_;

    // Working copies while the dialog is open.
    float workingIncrement_ = 1.0f;
    std::array<float, 3> modeIncrements_{}; // Auto, Wheel, Manual
    int32_t workingMode_ = 0;

    QComboBox* modeList_ = nullptr;
    QLineEdit* rateField_ = nullptr;
    QLineEdit* lineField_ = nullptr;
    QLineEdit* lineIncrementField_ = nullptr;
    QComboBox* sequenceList_ = nullptr;
    QComboBox* directionList_ = nullptr;
    QLineEdit* startStationField_ = nullptr;
    QLineEdit* incrementField_ = nullptr;
    QLabel* incrementLabel_ = nullptr;
};

} // namespace tm47
