#include "survey/survey_setup_dialog.h"

#include "config/settings.h"
#include "config/settings_file.h"
#include "platform/c_numbers.h"
#include "platform/dialog_frame_qt.h"
#include "survey/log_session.h"
#include "survey/survey_position.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <cmath>

namespace tm47 {

namespace {

const QString kNotAvailable = QStringLiteral("Not Available");
const QString kStnIncrement = QStringLiteral("Stn Increment");
const QString kWheelInc = QStringLiteral("Wheel Inc.");

bool IsKnownMode(int32_t mode) {
    return mode >= kModeAuto && mode <= kModeManual;
}

QString Fixed(double value, int precision) {
    return QString::fromStdString(PrintfFixed(value, 0, precision));
}

double FieldNumber(const QLineEdit* field) {
    return ReadNumber(field->text().toStdU16String());
}

void Tag(QWidget* widget, int id) {
    widget->setObjectName(QString::number(id));
    widget->setProperty("controlId", id);
}

QComboBox* MakeList(QWidget* parent, int id, const QStringList& items, int32_t value) {
    auto* list = new QComboBox(parent);
    Tag(list, id);
    list->addItems(items);
    // A stored value without an item leaves the list without a selection.
    list->setCurrentIndex(value >= 0 && value < list->count() ? value : -1);
    return list;
}

// The reading interval for a typed rate. A rate that gives no finite positive interval
// (negative, zero, not a number, or beyond what a float interval can hold) is taken as
// 1 reading per second, so the Auto timer and the beep pacing always have a period.
float IntervalForRate(double rate) {
    const float r = NarrowToFloat(rate);
    if (r > 0.0f && std::isfinite(r)) {
        const float interval = 1.0f / r;
        if (interval > 0.0f && std::isfinite(interval)) {
            return interval;
        }
    }
    return 1.0f;
}

} // namespace

GetSurveySetup47::GetSurveySetup47(Settings& settings, SurveyPosition& position,
                                   LogSession& session, const DeviceRoot& root, QWidget* parent)
    : QDialog(parent), settings_(settings), position_(position), session_(session), root_(root) {
    setWindowTitle(QStringLiteral("Survey Setup"));
    setObjectName(QStringLiteral("GetSurveySetup47"));

    workingIncrement_ = settings_.activeStationIncrement;
    modeIncrements_ = {settings_.autoStationIncrement, settings_.wheelStationIncrement,
                       settings_.manualStationIncrement};
    workingMode_ = settings_.surveyMode;

    modeList_ = MakeList(this, kIdModeList, {"Auto", "Wheel", "Manual"}, settings_.surveyMode);
    rateField_ = new QLineEdit(this);
    Tag(rateField_, kIdRateField);
    lineField_ = new QLineEdit(QString::fromStdU16String(settings_.surveyLine), this);
    Tag(lineField_, kIdLineField);
    lineField_->setMaxLength(static_cast<int>(kSurveyLineMax));
    lineIncrementField_ = new QLineEdit(Fixed(settings_.lineIncrement, 2), this);
    Tag(lineIncrementField_, kIdLineIncrementField);
    sequenceList_ =
        MakeList(this, kIdSequenceList, {"Alternate", "One Way"}, settings_.lineSequence);
    directionList_ = MakeList(this, kIdDirectionList, {"West", "South", "North", "East"},
                              settings_.lineDirection);
    startStationField_ = new QLineEdit(Fixed(settings_.startStation, 3), this);
    Tag(startStationField_, kIdStartStationField);
    incrementField_ = new QLineEdit(Fixed(workingIncrement_, 3), this);
    Tag(incrementField_, kIdStationIncrementField);

    struct Row {
        int labelId;
        const char* label;
        QWidget* control;
    };
    const Row rows[] = {
        {kIdModeLabel, "TM47 Mode", modeList_},
        {kIdRateLabel, "Readings/s", rateField_},
        {kIdLineLabel, "Survey Line", lineField_},
        {kIdLineIncrementLabel, "Line Increment", lineIncrementField_},
        {kIdSequenceLabel, "Sequence", sequenceList_},
        {kIdDirectionLabel, "Direction", directionList_},
        {kIdStartStationLabel, "Start Station", startStationField_},
        {kIdStationIncrementLabel, "Stn Increment", incrementField_},
    };
    auto* grid = new QGridLayout;
    int r = 0;
    for (const Row& row : rows) {
        auto* label = new QLabel(QString::fromLatin1(row.label), this);
        Tag(label, row.labelId);
        label->setBuddy(row.control);
        grid->addWidget(label, r, 0);
        grid->addWidget(row.control, r, 1);
        if (row.labelId == kIdStationIncrementLabel) {
            incrementLabel_ = label;
        }
        ++r;
    }

    QDialogButtonBox* buttons = OkCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    connect(modeList_, &QComboBox::currentIndexChanged, this,
            &GetSurveySetup47::OnModeNotification);
    connect(incrementField_, &QLineEdit::textChanged, this, &GetSurveySetup47::OnIncrementChanged);
    // The mode list has the focus when the dialog opens, and that notification sets the rate
    // field and the label for the stored mode.
    modeList_->setFocus();
    OnModeNotification();
}

void GetSurveySetup47::OnModeNotification() {
    int32_t selected = modeList_->currentIndex();
    if (selected < 0) {
        selected = workingMode_; // no item for the stored mode: it stands
    }
    if (selected != workingMode_) {
        if (IsKnownMode(workingMode_)) {
            modeIncrements_[static_cast<std::size_t>(workingMode_)] = workingIncrement_;
        }
        if (IsKnownMode(selected)) {
            workingIncrement_ = modeIncrements_[static_cast<std::size_t>(selected)];
        }
    }
    workingMode_ = selected;

    if (workingMode_ == kModeAuto) {
        // The stored rate, not any text typed earlier.
        rateField_->setText(Fixed(1.0f / settings_.readingInterval, 2));
        rateField_->setReadOnly(false);
    } else {
        rateField_->setText(kNotAvailable);
        rateField_->setReadOnly(true);
    }
    incrementLabel_->setText(workingMode_ == kModeWheel ? kWheelInc : kStnIncrement);
    incrementField_->setText(Fixed(workingIncrement_, 3));
}

void GetSurveySetup47::OnIncrementChanged() {
    float value = NarrowToFloat(FieldNumber(incrementField_));
    const bool zero = value == 0.0f;
    if (zero) {
        value = 1.0f;
    }
    workingIncrement_ = value;
    if (IsKnownMode(workingMode_)) {
        modeIncrements_[static_cast<std::size_t>(workingMode_)] = value;
    }
    if (zero) {
        // A cleared field, or one that does not start with a number, turns into 1.000 at once.
        incrementField_->setText(Fixed(value, 3));
    }
}

void GetSurveySetup47::accept() {
    // The trigger mode, and the session's watch mode with it.
    settings_.surveyMode = SelectedOr(modeList_, settings_.surveyMode);
    session_.FollowSurveyMode(settings_.surveyMode);

    // The reading rate, in Auto mode only; Wheel and Manual keep the stored rate.
    if (settings_.surveyMode == kModeAuto) {
        settings_.readingInterval = IntervalForRate(FieldNumber(rateField_));
        UpdateReadingIntervalMs(settings_);
        UpdateCyclesPerReading(settings_);
    }

    // The next recorded reading lies at the start station.
    position_.advanceArmed = false;

    // The line: its name (the first 11 characters), increment, sequence and direction.
    settings_.surveyLine = CutLineName(lineField_->text().toStdU16String());
    settings_.lineIncrement = NarrowToFloat(FieldNumber(lineIncrementField_));
    settings_.lineSequence = SelectedOr(sequenceList_, settings_.lineSequence);
    settings_.lineDirection = SelectedOr(directionList_, settings_.lineDirection);

    // The start station, where the position now stands.
    settings_.startStation = FieldNumber(startStationField_);
    position_.station = settings_.startStation;

    // The increment of the selected mode; the working copies of the other modes go.
    settings_.activeStationIncrement = NarrowToFloat(FieldNumber(incrementField_));
    switch (settings_.surveyMode) {
    case kModeAuto:
        settings_.autoStationIncrement = settings_.activeStationIncrement;
        break;
    case kModeWheel:
        settings_.wheelStationIncrement = settings_.activeStationIncrement;
        break;
    case kModeManual:
        settings_.manualStationIncrement = settings_.activeStationIncrement;
        break;
    default:
        break;
    }

    // The whole settings file, so the next start-up begins from these values.
    SaveSettings(settings_, root_);
    QDialog::accept();
}

} // namespace tm47
