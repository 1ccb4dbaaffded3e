#pragma once
// The calibration window (`CalibrateWnd`, title "Calibration"): a child of the Monitor/Log
// screen, created hidden and shown when the 50-reading average of a QC-coil check is
// complete. It draws what the check's state says and hands its buttons, keys and timer 2
// to QcCheck.
//
// GUI thread only.

#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <array>

#include "instrument/qc_calibration.h"

namespace tm47 {

inline constexpr int kCalibrateWndId = 30;

class CalibrateWnd final : public QWidget, public CalibrationView {
    Q_OBJECT
public:
    // Attaches itself to `check` as its view; detaches on destruction.
    CalibrateWnd(QcCheck& check, bool portrait, QWidget* parent);
    ~CalibrateWnd() override;

    // CalibrationView
    void ShowCalibration() override;
    void HideCalibration() override;
    void Redraw() override;
    void StartTimer2(int periodMs) override;
    void StopTimer2() override;

    QPushButton* OkButton() const { return buttons_[0]; }
    QPushButton* CancelButton() const { return buttons_[1]; }
    bool Timer2Active() const { return timer2_.isActive(); }
    // The screen as drawn now.
    CalibrationScreen Screen() const { return ComposeCalibrationScreen(check_.state); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void SyncButtons();

    QcCheck& check_;
    QTimer timer2_;
    std::array<QPushButton*, 2> buttons_{};
};

} // namespace tm47
