#include "config/settings_lists_qt.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

namespace tm47 {

QStringList ComPortItems() {
    QStringList items;
    for (int n = 1; n <= 12; ++n) {
        items << QStringLiteral("COM%1:").arg(n);
    }
    return items;
}

QStringList BaudItems() {
    return {"4800", "9600", "19200", "38400", "57600", "115200"};
}

void AddSettingsLists(QWidget* owner, QGridLayout* grid, std::span<const SettingsListRow> rows,
                      const Settings& settings, std::span<QComboBox*> lists) {
    for (std::size_t i = 0; i < rows.size() && i < lists.size(); ++i) {
        const SettingsListRow& row = rows[i];
        auto* label = new QLabel(QString::fromLatin1(row.label), owner);
        if (row.labelId != 0) {
            label->setObjectName(QString::number(row.labelId));
            label->setProperty("controlId", row.labelId);
        }
        auto* list = new QComboBox(owner);
        list->setObjectName(QString::number(row.id));
        list->setProperty("controlId", row.id);
        list->addItems(row.items);
        const int32_t value = settings.*row.field;
        list->setCurrentIndex(value >= 0 && value < list->count() ? value : -1);
        label->setBuddy(list);
        grid->addWidget(label, static_cast<int>(i), 0);
        grid->addWidget(list, static_cast<int>(i), 1);
        lists[i] = list;
    }
}

QComboBox* FindSettingsList(std::span<QComboBox* const> lists, int controlId) {
    for (QComboBox* list : lists) {
        if (list && list->property("controlId").toInt() == controlId) {
            return list;
        }
    }
    return nullptr;
}

void StoreSettingsLists(std::span<QComboBox* const> lists, std::span<const SettingsListRow> rows,
                        Settings& settings) {
    for (std::size_t i = 0; i < rows.size() && i < lists.size(); ++i) {
        const int selected = lists[i]->currentIndex();
        if (selected >= 0) {
            settings.*rows[i].field = selected;
        }
    }
}

} // namespace tm47
