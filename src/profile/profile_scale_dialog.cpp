#include "profile/profile_scale_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "config/settings.h"
#include "config/settings_file.h"
#include "platform/dialog_frame_qt.h"
#include "profile/profile_scale.h"

namespace tm47 {

namespace {

QLineEdit* LimitEdit(float value, int id, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    TagControl(edit, id);
    edit->setMaxLength(kScaleDialogMaxChars);
    // setMaxLength cuts a longer text; the field keeps what the dialog keeps.
    edit->setText(QString::fromStdU16String(FormatScaleLimit(value)));
    return edit;
}

} // namespace

GetNewProfileScale::GetNewProfileScale(Settings& settings, const DeviceRoot& root,
                                       std::array<int32_t, 4>* previousPoint, QWidget* parent)
    : QDialog(parent), settings_(settings), root_(root), previousPoint_(previousPoint) {
    setObjectName(QStringLiteral("GetNewProfileScale"));
    setWindowTitle(QStringLiteral("Enter Scale"));
    auto* grid = new QGridLayout;
    auto* minLabel = new QLabel(QStringLiteral("Minimum:"), this);
    auto* maxLabel = new QLabel(QStringLiteral("Maximum:"), this);
    TagControl(minLabel, kIdScaleMinimumLabel);
    TagControl(maxLabel, kIdScaleMaximumLabel);
    minimum_ = LimitEdit(settings_.profileScaleMin, kIdScaleMinimum, this);
    maximum_ = LimitEdit(settings_.profileScaleMax, kIdScaleMaximum, this);
    grid->addWidget(minLabel, 0, 0);
    grid->addWidget(minimum_, 0, 1);
    grid->addWidget(maxLabel, 1, 0);
    grid->addWidget(maximum_, 1, 1);
    QDialogButtonBox* buttons = OkCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

void GetNewProfileScale::accept() {
    const std::u16string minText = minimum_->text().left(kScaleDialogMaxChars).toStdU16String();
    const std::u16string maxText = maximum_->text().left(kScaleDialogMaxChars).toStdU16String();
    ApplyScaleEntry(settings_, minText, maxText);
    SaveSettings(settings_, root_);
    if (previousPoint_) {
        *previousPoint_ = {};
    }
    done(0);
}

void GetNewProfileScale::reject() {
    done(0);
}

} // namespace tm47
