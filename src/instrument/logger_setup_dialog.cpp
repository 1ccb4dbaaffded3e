#include "instrument/logger_setup_dialog.h"

#include "config/settings.h"
#include "config/settings_file.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QStringList>
#include <QVBoxLayout>

namespace tm47 {

namespace {

struct ListRow {
    int id;
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
std::array<ListRow, 7> LoggerRows(bool portrait) {
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
    const auto rows = LoggerRows(portrait);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ListRow& row = rows[i];
        auto* label = new QLabel(QString::fromLatin1(row.label), this);
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

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    lists_[0]->setFocus();
}

QComboBox* GetLoggerSetup::List(int controlId) const {
    for (QComboBox* list : lists_) {
        if (list->property("controlId").toInt() == controlId) {
            return list;
        }
    }
    return nullptr;
}

void GetLoggerSetup::accept() {
    const auto rows = LoggerRows(true); // only the fields are used here
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int selected = lists_[i]->currentIndex();
        if (selected >= 0) {
            settings_.*rows[i].field = selected;
        }
    }
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
