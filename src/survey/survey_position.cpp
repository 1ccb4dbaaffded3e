#include "survey/survey_position.h"

#include "platform/c_numbers.h"

namespace tm47 {

void ResetSurveyPosition(SurveyPosition& pos, const Settings& settings) {
    pos.station = settings.startStation;
    pos.advanceArmed = false;
    pos.manualTriggerLatch = TriggerLatch::Idle;
}

bool IsPlainLetter(char letter) {
    return letter == 'T' || letter == 'D' || letter == 'E' || letter == 'F' || letter == 'J' ||
           letter == 'j';
}

bool IsBackwardLetter(char letter) {
    return letter == 'J' || letter == 'K' || letter == 'j' || letter == 'k';
}

bool DecideRecord(SurveyPosition& pos, const Settings& settings, char letter, bool logging) {
    const bool manual = settings.surveyMode == kModeManual;
    if (IsPlainLetter(letter)) {
        pos.manualTriggerLatch = manual ? TriggerLatch::Idle : TriggerLatch::Take;
    } else if (!manual || pos.manualTriggerLatch == TriggerLatch::Idle) {
        pos.manualTriggerLatch = TriggerLatch::Take;
    } else {
        pos.manualTriggerLatch = TriggerLatch::Hold;
    }
    return logging && pos.manualTriggerLatch == TriggerLatch::Take;
}

void AdvanceStation(SurveyPosition& pos, const Settings& settings, char letter) {
    if (pos.advanceArmed) {
        const double step = static_cast<double>(settings.activeStationIncrement);
        pos.station += IsBackwardLetter(letter) ? -step : step;
    }
    pos.advanceArmed = true;
}

std::string StationFieldText(double station) {
    return PrintfFixed(station, -11, 2);
}

double ReadNumber(std::u16string_view text) {
    return StrtodDecimalLike(text);
}

std::u16string CutLineName(std::u16string_view text) {
    return std::u16string(text.substr(0, kSurveyLineMax));
}

int32_t OppositeDirection(int32_t direction) {
    switch (direction) {
    case 0:
        return 3;
    case 3:
        return 0;
    case 1:
        return 2;
    case 2:
        return 1;
    default:
        return direction;
    }
}

NewLineProposal ProposeNewLine(const Settings& settings, const SurveyPosition& pos) {
    NewLineProposal p;
    p.currentLine = settings.surveyLine;
    p.lastStation = PrintfFixed(pos.station, 0, 3);
    const float lineNumber = static_cast<float>(ReadNumber(settings.surveyLine));
    const float next = lineNumber + settings.lineIncrement;
    p.newLine = PrintfFixed(next, 0, 2);
    p.lineIncrement = PrintfFixed(settings.lineIncrement, 0, 2);
    p.sequence = settings.lineSequence;
    if (settings.lineSequence == kSequenceOneWay) {
        p.startStation = settings.startStation;
        p.stationIncrement = settings.activeStationIncrement;
        p.direction = settings.lineDirection;
    } else {
        // Alternate: the new line is walked back from where the last one ended.
        p.startStation = pos.station;
        p.stationIncrement = -settings.activeStationIncrement;
        p.direction = OppositeDirection(settings.lineDirection);
    }
    p.startStationText = PrintfFixed(p.startStation, 0, 3);
    p.stationIncrementText = PrintfFixed(p.stationIncrement, 0, 3);
    return p;
}

void ApplyNewLine(Settings& settings, SurveyPosition& pos, const NewLineEntry& entry) {
    settings.surveyLine = CutLineName(entry.newLine);
    settings.lineIncrement = static_cast<float>(ReadNumber(entry.lineIncrement));
    settings.lineSequence = entry.sequence;
    settings.lineDirection = entry.direction;
    settings.startStation = ReadNumber(entry.startStation);
    pos.station = settings.startStation;
    settings.activeStationIncrement = static_cast<float>(ReadNumber(entry.stationIncrement));
    pos.advanceArmed = false;
}

NewStationProposal ProposeNewStation(const Settings& settings, const SurveyPosition& pos) {
    return {PrintfFixed(settings.startStation, 0, 3), PrintfFixed(pos.station, 0, 3)};
}

void ApplyNewStation(SurveyPosition& pos, std::u16string_view typed) {
    pos.station = ReadNumber(typed);
    pos.advanceArmed = false;
}

} // namespace tm47
