#include "instrument/output_port_setup_dialog.h"

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
std::array<SettingsListRow, 7> OutputRows() {
    return {{
        {kIdOutputEnabledList, "Output", {"Disabled", "Enabled"}, &Settings::outputEnabled},
        {kIdOutputFormatList, "Data Format", {"Raw Data", "Converted"}, &Settings::outputFormat},
        {kIdOutputPortList, "Serial Port", ComPortItems(), &Settings::outputPort},
        {kIdOutputBaudList, "Baud Rate", BaudItems(), &Settings::outputBaud},
        {kIdOutputParityList, "Parity", {"No", "Even", "Odd"}, &Settings::outputParity},
        {kIdOutputDataBitsList, "Data Bits", {"7", "8"}, &Settings::outputDataBits},
        {kIdOutputStopBitsList, "Stop Bits", {"1", "2"}, &Settings::outputStopBits},
    }};
}

} // namespace

GetOutputPortSetup::GetOutputPortSetup(Settings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setWindowTitle(QStringLiteral("Set Output Port"));
    setObjectName(QStringLiteral("GetOutputPortSetup"));

    auto* grid = new QGridLayout;
    const auto rows = OutputRows();
    AddSettingsLists(this, grid, rows, settings_, lists_);

    QDialogButtonBox* buttons = OkCancelButtons(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    lists_[0]->setFocus();
}

QComboBox* GetOutputPortSetup::List(int controlId) const {
    return FindSettingsList(lists_, controlId);
}

void GetOutputPortSetup::accept() {
    StoreSettingsLists(lists_, OutputRows(), settings_);
    QDialog::accept();
}

void RunOutputPortSetup(Settings& settings, const DeviceRoot& root, QWidget* parent) {
    GetOutputPortSetup dialog(settings, parent);
    dialog.exec();
    SaveSettings(settings, root);
}

} // namespace tm47
