#pragma once
// "Enter Scale" (template `GetNewProfileScale`): the two limits of the profile scale.
//
// The fields show each limit as "%.0f" and keep at most 15 characters each. OK stores each
// text's leading number (none gives 0), a maximum not above the minimum becomes minimum + 100,
// recomputes the pixels per unit, saves the settings and clears the live profile's four
// has-previous-point flags, so every curve restarts with a single point. Cancel (or closing
// the window) changes nothing. The dialog result is 0 either way; the caller repaints its
// profile.
//
// Controls carry their template ids as object names ("842", ...) and as the property
// "controlId". GUI thread only.

#include <QDialog>

#include <array>
#include <cstdint>

class QLineEdit;

namespace tm47 {

struct Settings;
class DeviceRoot;

inline constexpr int kIdScaleMinimumLabel = 840;
inline constexpr int kIdScaleMaximumLabel = 841;
inline constexpr int kIdScaleMinimum = 842;
inline constexpr int kIdScaleMaximum = 843;
inline constexpr int kScaleDialogMaxChars = 15;

class GetNewProfileScale final : public QDialog {
    Q_OBJECT
public:
    // `previousPoint`: the live profile's flags, cleared on OK (null: none to clear).
    GetNewProfileScale(Settings& settings, const DeviceRoot& root,
                       std::array<int32_t, 4>* previousPoint, QWidget* parent = nullptr);

    QLineEdit* MinimumEdit() const { return minimum_; }
    QLineEdit* MaximumEdit() const { return maximum_; }

    void accept() override;
    void reject() override;

private:
    Settings& settings_;
    const DeviceRoot& root_;
    std::array<int32_t, 4>* previousPoint_;
    QLineEdit* minimum_ = nullptr;
    QLineEdit* maximum_ = nullptr;
};

} // namespace tm47
