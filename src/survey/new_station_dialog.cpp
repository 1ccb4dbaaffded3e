#include "survey/new_station_dialog.h"

#include "datafile/record_writers.h"
#include "platform/dialog_frame_qt.h"
#include "survey/survey_position.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tm47 {

GetNewStation::GetNewStation(SurveyDialogContext& ctx, QWidget* parent)
    : QDialog(parent), ctx_(ctx) {
    setWindowTitle(QStringLiteral("New Station"));
    setObjectName(QStringLiteral("GetNewStation"));

    const NewStationProposal shown = ProposeNewStation(ctx.settings, ctx.position);
    startStation_ = new QLabel(QString::fromStdString(shown.startStation), this);
    startStation_->setObjectName(QStringLiteral("startStation"));
    lastStation_ = new QLabel(QString::fromStdString(shown.lastStation), this);
    lastStation_->setObjectName(QStringLiteral("lastStation"));
    newStation_ = new QLineEdit(this);
    newStation_->setObjectName(QStringLiteral("newStation"));

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Start Station:"), this), 0, 0);
    grid->addWidget(startStation_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Last  Station:"), this), 1, 0);
    grid->addWidget(lastStation_, 1, 1);
    auto* fieldLabel = new QLabel(QStringLiteral("New Station"), this);
    fieldLabel->setBuddy(newStation_);
    grid->addWidget(fieldLabel, 2, 0);
    grid->addWidget(newStation_, 2, 1);

    QDialogButtonBox* buttons = OkCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    newStation_->setFocus();
}

void GetNewStation::accept() {
    ApplyNewStation(ctx_.position, newStation_->text().toStdU16String());
    if (ctx_.previousPoint) {
        ctx_.previousPoint->fill(0);
    }
    WriteStationRecord(ctx_.records, ctx_.position.station);
    WriteTimeStamp(ctx_.records);
    QDialog::accept();
}

bool RunNewStation(SurveyDialogContext& ctx, QWidget* parent) {
    if (ctx.inputPanel) {
        ctx.inputPanel(true);
    }
    GetNewStation dialog(ctx, parent);
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    if (ctx.inputPanel) {
        ctx.inputPanel(false);
    }
    return confirmed;
}

} // namespace tm47
