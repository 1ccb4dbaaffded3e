#include "gps/gps_port_setup_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include "config/settings.h"

namespace tm47 {

namespace {

struct ListRow {
    int id;
    int labelId;
    const char* label;
    QStringList items;
    int32_t Settings::*field;
};

QStringList ComPortItems() {
    QStringList items;
    for (int n = 1; n <= 12; ++n) {
        items << QStringLiteral("COM%1:").arg(n);
    }
    return items;
}

// The lists in template order; the item order is part of the settings file format.
std::array<ListRow, 6> GpsRows() {
    return {{
        {kIdGpsEnabledList, 700, "GPS Input", {"Disabled", "Enabled"}, &Settings::gpsEnabled},
        {kIdGpsPortList, 701, "Serial Port", ComPortItems(), &Settings::gpsPort},
        {kIdGpsBaudList,
         702,
         "Baud Rate",
         {"4800", "9600", "19200", "38400", "57600", "115200"},
         &Settings::gpsBaud},
        {kIdGpsParityList, 703, "Parity", {"No", "Even", "Odd"}, &Settings::gpsParity},
        {kIdGpsDataBitsList, 704, "Data Bits", {"7", "8"}, &Settings::gpsDataBits},
        {kIdGpsStopBitsList, 705, "Stop Bits", {"1", "2"}, &Settings::gpsStopBits},
    }};
}

} // namespace

GetGPSPortSetup::GetGPSPortSetup(Settings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setWindowTitle(QStringLiteral("Set GPS Port"));
    setObjectName(QStringLiteral("GetGPSPortSetup"));

    auto* grid = new QGridLayout;
    const auto rows = GpsRows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ListRow& row = rows[i];
        auto* label = new QLabel(QString::fromLatin1(row.label), this);
        label->setObjectName(QString::number(row.labelId));
        label->setProperty("controlId", row.labelId);
        auto* list = new QComboBox(this);
        list->setObjectName(QString::number(row.id));
        list->setProperty("controlId", row.id);
        list->addItems(row.items);
        // A stored value without an item leaves the list without a selection.
        const int32_t value = settings_.*row.field;
        list->setCurrentIndex(value >= 0 && value < list->count() ? value : -1);
        label->setBuddy(list);
        grid->addWidget(label, static_cast<int>(i), 0);
        grid->addWidget(list, static_cast<int>(i), 1);
        lists_[i] = list;
    }

    monitorButton_ = new QPushButton(QStringLiteral("Monitor GPS Output"), this);
    monitorButton_->setObjectName(QString::number(kIdMonitorGpsOutput));
    monitorButton_->setProperty("controlId", kIdMonitorGpsOutput);
    monitorButton_->setAutoDefault(false);
    connect(monitorButton_, &QPushButton::clicked, this, &GetGPSPortSetup::MonitorGpsOutput);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &GetGPSPortSetup::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &GetGPSPortSetup::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(monitorButton_);
    layout->addWidget(buttons);
    lists_[0]->setFocus();
}

QComboBox* GetGPSPortSetup::List(int controlId) const {
    for (QComboBox* list : lists_) {
        if (list->property("controlId").toInt() == controlId) {
            return list;
        }
    }
    return nullptr;
}

void GetGPSPortSetup::Store() {
    const auto rows = GpsRows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int selected = lists_[i]->currentIndex();
        if (selected >= 0) {
            settings_.*rows[i].field = selected;
        }
    }
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
