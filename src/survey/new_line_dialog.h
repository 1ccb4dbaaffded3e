#pragma once
// "New Line" (template `GetNewLine`): the next survey line. The proposals are worked out once
// when the dialog opens; with Alternate the new line is walked back from where the last one
// ended (start at the last station, increment negated, opposite direction), with One Way it
// starts again at the stored start station. Changing the sequence in the dialog does not
// redo the proposals; the selection is only stored on OK.
//
// OK stores the line name (its first 11 characters, as typed), the line increment, sequence,
// direction, start station (and the station with it) and the active station increment, and
// clears the station advance. Cancel changes nothing. Numbers are shown and read in the C
// locale. GUI thread only.

#include <QDialog>

#include <array>

#include "survey/survey_dialog_context.h"
#include "survey/survey_position.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace tm47 {

class GetNewLine : public QDialog {
    Q_OBJECT
public:
    GetNewLine(Settings& settings, SurveyPosition& position, QWidget* parent = nullptr);

    QLabel* CurrentLineText() const { return currentLine_; }
    QLabel* LastStationText() const { return lastStation_; }
    QLineEdit* NewLineField() const { return newLine_; }
    QLineEdit* LineIncrementField() const { return lineIncrement_; }
    QComboBox* SequenceList() const { return sequence_; }
    QComboBox* DirectionList() const { return direction_; }
    QLineEdit* StartStationField() const { return startStation_; }
    QLineEdit* StationIncrementField() const { return stationIncrement_; }

    // OK: stores the entry (see above) and closes with Accepted.
    void accept() override;

private:
    Settings& settings_;
    SurveyPosition& position_;
    NewLineProposal proposal_;

    QLabel* currentLine_ = nullptr;
    QLabel* lastStation_ = nullptr;
    QLineEdit* newLine_ = nullptr;
    QLineEdit* lineIncrement_ = nullptr;
    QComboBox* sequence_ = nullptr;
    QComboBox* direction_ = nullptr;
    QLineEdit* startStation_ = nullptr;
    QLineEdit* stationIncrement_ = nullptr;
};

// The New Line command of the Stand By state: shows GetNewLine modally and, when the operator
// confirmed, saves the settings and writes the line header (with `currentOffsets` as the new
// and `previousOffsets` as the previous null offsets) and a time-stamp record. Returns true
// when confirmed; the caller then redraws the Line and Stn fields and the profile.
bool RunNewLine(SurveyDialogContext& ctx, const std::array<float, 4>& currentOffsets,
                const std::array<float, 4>& previousOffsets, QWidget* parent);

} // namespace tm47
