#include "instrument/output_port_setup_dialog.h"

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
std::array<ListRow, 7> OutputRows() {
    return {{
        {kIdOutputEnabledList, "Output", {"Disabled", "Enabled"}, &Settings::outputEnabled},
        {kIdOutputFormatList, "Data Format", {"Raw Data", "Converted"}, &Settings::outputFormat},
        {kIdOutputPortList, "Serial Port", ComPortItems(), &Settings::outputPort},
        {kIdOutputBaudList,
         "Baud Rate",
         {"4800", "9600", "19200", "38400", "57600", "115200"},
         &Settings::outputBaud},
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

QComboBox* GetOutputPortSetup::List(int controlId) const {
    for (QComboBox* list : lists_) {
        if (list->property("controlId").toInt() == controlId) {
            return list;
        }
    }
    return nullptr;
}

void GetOutputPortSetup::accept() {
    const auto rows = OutputRows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int selected = lists_[i]->currentIndex();
        if (selected >= 0) {
            settings_.*rows[i].field = selected;
        }
    }
    QDialog::accept();
}

void RunOutputPortSetup(Settings& settings, const DeviceRoot& root, QWidget* parent) {
    GetOutputPortSetup dialog(settings, parent);
    dialog.exec();
    SaveSettings(settings, root);
}

} // namespace tm47
