#pragma once
// "Set GPS Port" (template `GetGPSPortSetup`): GPS input on or off and the GPS port's line
// settings. Each list's selected index is the value of one Settings field.
//
// OK and "Monitor GPS Output" read the six lists into their fields; Cancel changes nothing.
// The result is 0 for OK and Cancel, 1 for "Monitor GPS Output". The dialog does not save:
// the menu command saves the settings whatever the result, then opens the GPS monitor on 1.
//
// Each list carries its control id as object name ("720") and as the property "controlId";
// the button "Monitor GPS Output" is "729". GUI thread only.

#include <QDialog>

#include <array>

class QComboBox;
class QPushButton;

namespace tm47 {

struct Settings;

inline constexpr int kIdGpsEnabledList = 720;
inline constexpr int kIdGpsPortList = 721;
inline constexpr int kIdGpsBaudList = 722;
inline constexpr int kIdGpsParityList = 723;
inline constexpr int kIdGpsDataBitsList = 724;
inline constexpr int kIdGpsStopBitsList = 725;
inline constexpr int kIdMonitorGpsOutput = 729;

// The dialog's results.
inline constexpr int kGpsPortSetupDone = 0;
inline constexpr int kGpsPortSetupMonitor = 1;

class GetGPSPortSetup : public QDialog {
    Q_OBJECT
public:
    explicit GetGPSPortSetup(Settings& settings, QWidget* parent = nullptr);

    // The list with the given control id (720..725), or nullptr.
    QComboBox* List(int controlId) const;
    QPushButton* MonitorButton() const { return monitorButton_; }

    // OK: store and close with 0. Cancel closes with 0 and stores nothing.
    void accept() override;
    void reject() override;
    // "Monitor GPS Output": store and close with 1.
    void MonitorGpsOutput();

private:
    void Store();

    Settings& settings_;
    std::array<QComboBox*, 6> lists_{};
    QPushButton* monitorButton_ = nullptr;
};

} // namespace tm47
