#pragma once
// The setup dialogs' drop-down lists: each list's selected index is the value of one
// Settings field, so the item order is part of the settings file format. A list carries its
// control id as object name ("910") and as the property "controlId". A stored value with no
// item opens the list without a selection, and such a list keeps its field's value on OK.
// GUI thread only.

#include <QStringList>

#include <cstdint>
#include <span>

#include "config/settings.h"

class QComboBox;
class QGridLayout;
class QWidget;

namespace tm47 {

struct SettingsListRow {
    int id;
    const char* label;
    QStringList items;
    int32_t Settings::*field;
    int labelId = 0; // the label's own control id; 0 when it has none
};

// "COM1:" .. "COM12:".
QStringList ComPortItems();
// "4800" .. "115200", as the GPS and output ports list them.
QStringList BaudItems();

// Adds a label and a list per row to `grid` (row i at grid row i) and puts the lists into
// `lists`, which must have one slot per row.
void AddSettingsLists(QWidget* owner, QGridLayout* grid, std::span<const SettingsListRow> rows,
                      const Settings& settings, std::span<QComboBox*> lists);

// The list with the given control id, or nullptr.
QComboBox* FindSettingsList(std::span<QComboBox* const> lists, int controlId);

// Stores each list's selection into its row's field; a list without a selection is skipped.
void StoreSettingsLists(std::span<QComboBox* const> lists, std::span<const SettingsListRow> rows,
                        Settings& settings);

} // namespace tm47
