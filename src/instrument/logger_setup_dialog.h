#pragma once
// "Logger Setup" (template `GetLoggerSetup`): instrument variant, antenna, instrument port,
// units, audio, pause key and data storage, each a drop-down list whose selected index is the
// value of one Settings field. The values take effect at the next Monitor/Log start.
//
// OK reads every list into its field, applies the storage rule (a storage card that is not
// there falls back to internal storage) and saves the settings; Cancel changes nothing.
// A list that opened without a selection (a stored value with no item: the portrait Pause
// Key list holds only "any key", the Data Storage list only "Storage") keeps its field's
// previous value on OK.
//
// Each list carries its control id as object name ("821") and as the property "controlId".
// GUI thread only.

#include <QDialog>

#include <array>

class QComboBox;

namespace tm47 {

struct Settings;
class DeviceRoot;

inline constexpr int kIdInstrumentVariantList = 821;
inline constexpr int kIdAntennaList = 822;
inline constexpr int kIdInstrumentPortList = 823;
inline constexpr int kIdUnitsList = 824;
inline constexpr int kIdAudioList = 825;
inline constexpr int kIdPauseKeyList = 826;
inline constexpr int kIdDataStorageList = 827;

class GetLoggerSetup : public QDialog {
    Q_OBJECT
public:
    // `portrait`: the portrait layout, whose Pause Key list holds only "any key".
    GetLoggerSetup(Settings& settings, const DeviceRoot& root, bool portrait,
                   QWidget* parent = nullptr);

    // The list with the given control id (821..827), or nullptr.
    QComboBox* List(int controlId) const;

    void accept() override;

private:
    Settings& settings_;
    const DeviceRoot& root_;
    std::array<QComboBox*, 7> lists_{};
};

} // namespace tm47
