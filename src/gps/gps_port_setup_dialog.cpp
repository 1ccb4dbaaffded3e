#include "gps/gps_port_setup_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include "config/settings.h"
#include "config/settings_lists_qt.h"
#include "platform/dialog_frame_qt.h"

namespace tm47 {

namespace {

// The lists in template order; the item order is part of the settings file format.
std::array<SettingsListRow, 6> GpsRows() {
    return {{
        {kIdGpsEnabledList, "GPS Input", {"Disabled", "Enabled"}, &Settings::gpsEnabled, 700},
        {kIdGpsPortList, "Serial Port", ComPortItems(), &Settings::gpsPort, 701},
        {kIdGpsBaudList, "Baud Rate", BaudItems(), &Settings::gpsBaud, 702},
        {kIdGpsParityList, "Parity", {"No", "Even", "Odd"}, &Settings::gpsParity, 703},
        {kIdGpsDataBitsList, "Data Bits", {"7", "8"}, &Settings::gpsDataBits, 704},
        {kIdGpsStopBitsList, "Stop Bits", {"1", "2"}, &Settings::gpsStopBits, 705},
    }};
}

} // namespace

GetGPSPortSetup::GetGPSPortSetup(Settings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setWindowTitle(QStringLiteral("Set GPS Port"));
    setObjectName(QStringLiteral("GetGPSPortSetup"));

    auto* grid = new QGridLayout;
    AddSettingsLists(this, grid, GpsRows(), settings_, lists_);

    monitorButton_ = new QPushButton(QStringLiteral("Monitor GPS Output"), this);
    monitorButton_->setObjectName(QString::number(kIdMonitorGpsOutput));
    monitorButton_->setProperty("controlId", kIdMonitorGpsOutput);
    monitorButton_->setAutoDefault(false);
    connect(monitorButton_, &QPushButton::clicked, this, &GetGPSPortSetup::MonitorGpsOutput);

    QDialogButtonBox* buttons = OkCancelButtons(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(monitorButton_);
    layout->addWidget(buttons);
    lists_[0]->setFocus();
}

QComboBox* GetGPSPortSetup::List(int controlId) const {
    return FindSettingsList(lists_, controlId);
}

void GetGPSPortSetup::Store() {
    StoreSettingsLists(lists_, GpsRows(), settings_);
}

void GetGPSPortSetup::accept() {
    Store();
    done(kGpsPortSetupDone);
}

void GetGPSPortSetup::reject() {
    done(kGpsPortSetupDone);
}

void GetGPSPortSetup::MonitorGpsOutput() {
    Store();
    done(kGpsPortSetupMonitor);
}

} // namespace tm47
