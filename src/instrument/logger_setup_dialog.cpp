#include "instrument/logger_setup_dialog.h"

#include "config/settings.h"
#include "config/settings_file.h"
#include "config/settings_lists_qt.h"
#include "platform/dialog_frame_qt.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QStringList>
#include <QVBoxLayout>

namespace tm47 {

namespace {

// The lists in template order; the item order is part of the settings file format.
std::array<SettingsListRow, 7> LoggerRows(bool portrait) {
    QStringList pauseKeys{"any key"};
    if (!portrait) {
        pauseKeys << "<Space Bar>"
                  << "<Enter>"
                  << "<P>";
    }
    return {{
        {kIdInstrumentVariantList,
         "TM47-KVB",
         {"Standard", "High Power"},
         &Settings::instrumentVariant},
        {kIdAntennaList, "Antenna", {"1 x 0.5 m", "1 x 1 m", "0.5 x 0.5 m"}, &Settings::antenna},
        {kIdInstrumentPortList, "TM47-KVB Port", ComPortItems(), &Settings::instrumentPort},
        {kIdUnitsList, "Units", {"meters", "feet"}, &Settings::units},
        {kIdAudioList, "Audio", {"No", "Yes"}, &Settings::audio},
        {kIdPauseKeyList, "Pause Key", pauseKeys, &Settings::pauseKey},
        {kIdDataStorageList, "Data Storage", {"Storage"}, &Settings::dataStorage},
    }};
}

} // namespace

GetLoggerSetup::GetLoggerSetup(Settings& settings, const DeviceRoot& root, bool portrait,
                               QWidget* parent)
    : QDialog(parent), settings_(settings), root_(root) {
    setWindowTitle(QStringLiteral("Logger Setup"));
    setObjectName(QStringLiteral("GetLoggerSetup"));

    auto* grid = new QGridLayout;
    AddSettingsLists(this, grid, LoggerRows(portrait), settings_, lists_);

    QDialogButtonBox* buttons = OkCancelButtons(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    lists_[0]->setFocus();
}

QComboBox* GetLoggerSetup::List(int controlId) const {
    return FindSettingsList(lists_, controlId);
}

void GetLoggerSetup::accept() {
    StoreSettingsLists(lists_, LoggerRows(true), settings_); // only the fields are used
    // Storage rule: a storage card that is not there falls back to internal storage. Ask the
    // file system now rather than trust what the last load or save saw.
    RefreshStorageCardPresent(settings_, root_);
    if (settings_.dataStorage == 1 && settings_.storageCardPresent == 0) {
        settings_.dataStorage = 0;
    }
    SaveSettings(settings_, root_);
    QDialog::accept();
}

} // namespace tm47
