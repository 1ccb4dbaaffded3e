#pragma once
// "New Station" (template `GetNewStation`): the operator restarts the station count at a
// typed value, for example after walking round an obstacle. The dialog shows the start
// station and the last station ("%.3f") and an empty field.
//
// OK: the station becomes the typed value (a text that does not begin with a number gives
// 0.0); the start station stays; the next recorded reading lies at the new station; the live
// profile's previous-point flags are cleared; a station record and a time-stamp record are
// written. The dialog writes these records itself. Cancel changes nothing. GUI thread only.

#include <QDialog>

#include "survey/survey_dialog_context.h"

class QLabel;
class QLineEdit;

namespace tm47 {

class GetNewStation : public QDialog {
    Q_OBJECT
public:
    explicit GetNewStation(SurveyDialogContext& ctx, QWidget* parent = nullptr);

    QLabel* StartStationText() const { return startStation_; }
    QLabel* LastStationText() const { return lastStation_; }
    QLineEdit* NewStationField() const { return newStation_; }

    void accept() override;

private:
    SurveyDialogContext& ctx_;
    QLabel* startStation_ = nullptr;
    QLabel* lastStation_ = nullptr;
    QLineEdit* newStation_ = nullptr;
};

// The New Station command of the Stand By state: shows GetNewStation modally. Returns true
// when the operator confirmed (the caller then redraws the Stn field with StationFieldText);
// either way the caller redraws the profile.
bool RunNewStation(SurveyDialogContext& ctx, QWidget* parent);

} // namespace tm47
