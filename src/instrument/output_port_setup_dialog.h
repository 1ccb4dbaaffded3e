#pragma once
// "Set Output Port" (template `GetOutputPortSetup`): whether logged data go to the output
// port, in which form, and the port's line settings. Each control is a drop-down list whose
// selected index is the value of one Settings field; the values take effect at the next
// Monitor/Log start.
//
// OK reads every list into its field; Cancel changes nothing. The dialog itself does not
// save: the menu command saves the settings after it has closed, whatever the button
// (RunOutputPortSetup does both). A list that opened without a selection keeps its field's
// previous value on OK.
//
// Each list carries its control id as object name ("910") and as the property "controlId".
// GUI thread only.

#include <QDialog>

#include <array>

class QComboBox;

namespace tm47 {

struct Settings;
class DeviceRoot;

inline constexpr int kIdOutputEnabledList = 910;
inline constexpr int kIdOutputFormatList = 911;
inline constexpr int kIdOutputPortList = 912;
inline constexpr int kIdOutputBaudList = 914;
inline constexpr int kIdOutputParityList = 915;
inline constexpr int kIdOutputDataBitsList = 916;
inline constexpr int kIdOutputStopBitsList = 917;

class GetOutputPortSetup : public QDialog {
    Q_OBJECT
public:
    explicit GetOutputPortSetup(Settings& settings, QWidget* parent = nullptr);

    // The list with the given control id (910..917), or nullptr.
    QComboBox* List(int controlId) const;

    void accept() override;

private:
    Settings& settings_;
    std::array<QComboBox*, 7> lists_{};
};

// The "Set Output &Port" menu command's dialog part: runs the dialog modally, then saves the
// settings whether it ended with OK or not.
void RunOutputPortSetup(Settings& settings, const DeviceRoot& root, QWidget* parent);

} // namespace tm47
