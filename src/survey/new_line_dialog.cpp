#include "survey/new_line_dialog.h"

#include "config/settings_file.h"
#include "datafile/record_writers.h"
#include "platform/dialog_frame_qt.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tm47 {

namespace {

QLineEdit* MakeField(QWidget* parent, const char* name, const std::string& text) {
    auto* field = new QLineEdit(QString::fromStdString(text), parent);
    field->setObjectName(QLatin1String(name));
    return field;
}

QComboBox* MakeList(QWidget* parent, const char* name, const QStringList& items, int32_t value) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    list->addItems(items);
    list->setCurrentIndex(value >= 0 && value < list->count() ? value : -1);
    return list;
}

} // namespace

GetNewLine::GetNewLine(Settings& settings, SurveyPosition& position, QWidget* parent)
    : QDialog(parent), settings_(settings), position_(position),
      proposal_(ProposeNewLine(settings, position)) {
    setWindowTitle(QStringLiteral("New Line"));
    setObjectName(QStringLiteral("GetNewLine"));

    currentLine_ = new QLabel(QString::fromStdU16String(proposal_.currentLine), this);
    currentLine_->setObjectName(QStringLiteral("currentLine"));
    lastStation_ = new QLabel(QString::fromStdString(proposal_.lastStation), this);
    lastStation_->setObjectName(QStringLiteral("lastStation"));
    newLine_ = MakeField(this, "newLine", proposal_.newLine);
    lineIncrement_ = MakeField(this, "lineIncrement", proposal_.lineIncrement);
    sequence_ = MakeList(this, "sequence", {"Alternate", "One Way"}, proposal_.sequence);
    direction_ =
        MakeList(this, "direction", {"West", "South", "North", "East"}, proposal_.direction);
    startStation_ = MakeField(this, "startStation", proposal_.startStationText);
    stationIncrement_ = MakeField(this, "stationIncrement", proposal_.stationIncrementText);

    struct Row {
        const char* label;
        QWidget* control;
    };
    const Row rows[] = {
        {"Current Line:", currentLine_},  {"Last Station:", lastStation_},
        {"New Line", newLine_},           {"Line Increment", lineIncrement_},
        {"Sequence", sequence_},          {"Direction", direction_},
        {"Start Station", startStation_}, {"Stn Increment", stationIncrement_},
    };
    auto* grid = new QGridLayout;
    int r = 0;
    for (const Row& row : rows) {
        auto* label = new QLabel(QLatin1String(row.label), this);
        label->setBuddy(row.control);
        grid->addWidget(label, r, 0);
        grid->addWidget(row.control, r, 1);
        ++r;
    }
    QDialogButtonBox* buttons = OkCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    newLine_->setFocus();
}

void GetNewLine::accept() {
    NewLineEntry entry;
    entry.newLine = newLine_->text().toStdU16String();
    entry.lineIncrement = lineIncrement_->text().toStdU16String();
    entry.sequence = SelectedOr(sequence_, settings_.lineSequence);
    entry.direction = SelectedOr(direction_, settings_.lineDirection);
    entry.startStation = startStation_->text().toStdU16String();
    entry.stationIncrement = stationIncrement_->text().toStdU16String();
    ApplyNewLine(settings_, position_, entry);
    QDialog::accept();
}

bool RunNewLine(SurveyDialogContext& ctx, const std::array<float, 4>& currentOffsets,
                const std::array<float, 4>& previousOffsets, QWidget* parent) {
    if (ctx.inputPanel) {
        ctx.inputPanel(true);
    }
    GetNewLine dialog(ctx.settings, ctx.position, parent);
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    if (ctx.inputPanel) {
        ctx.inputPanel(false);
    }
    if (!confirmed) {
        return false;
    }
    ctx.position.advanceArmed = false;
    SaveSettings(ctx.settings, ctx.root);
    WriteLineHeader(ctx.records, currentOffsets, previousOffsets);
    WriteTimeStamp(ctx.records);
    return true;
}

} // namespace tm47
