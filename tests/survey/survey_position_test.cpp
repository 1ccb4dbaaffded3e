// The survey position rules: which readings are recorded, where each one lies, and what the
// next line is proposed to be.
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "survey/survey_position.h"

namespace tm47 {
namespace {

// Records the readings of `letters` while logging and returns the station of each recorded one.
std::vector<std::string> Walk(SurveyPosition& pos, const Settings& s, const std::string& letters) {
    std::vector<std::string> shown;
    for (char letter : letters) {
        if (DecideRecord(pos, s, letter, true)) {
            AdvanceStation(pos, s, letter);
            shown.push_back(StationFieldText(pos.station));
        }
    }
    return shown;
}

// Alternate: the next line walks back from the last station in the opposite direction.
// One Way: it starts again at the start station in the same direction. The new line is the
// number at the start of the line name plus the line increment.
TEST(SurveyPosition, NewLineProposal) {
    // Sequence, direction, proposed direction, increment, last station, line name, proposed
    // start, increment and line.
    const std::tuple<int32_t, int32_t, int32_t, float, double, std::u16string, const char*,
                     const char*, const char*>
        rows[] = {
            {kSequenceAlternate, 2, 1, -1.0f, 20.0, u"13.00", "20.000", "1.000", "14.00"}, // N -> S
            {kSequenceAlternate, 0, 3, 0.5f, 20.0, u"L5", "20.000", "-0.500", "1.00"},     // W -> E
            {1, 3, 3, 0.25f, 42.0, u"-3.5N", "5.000", "0.250", "-2.50"},
            {1, 3, 3, 0.25f, 42.0, u" 7e1x", "5.000", "0.250", "71.00"},
        };
    for (const auto& [sequence, direction, wantDirection, increment, station, line, start,
                      stationIncrement, newLine] : rows) {
        SCOPED_TRACE(newLine);
        Settings s;
        s.lineSequence = sequence;
        s.lineDirection = direction;
        s.activeStationIncrement = increment;
        s.startStation = 5.0;
        s.surveyLine = line;
        s.lineIncrement = 1.0f;
        SurveyPosition pos;
        pos.station = station;
        const NewLineProposal p = ProposeNewLine(s, pos);
        EXPECT_EQ(p.startStationText, start);
        EXPECT_EQ(p.stationIncrementText, stationIncrement);
        EXPECT_EQ(p.direction, wantDirection);
        EXPECT_EQ(p.newLine, newLine);
        EXPECT_EQ(p.lastStation, station == 20.0 ? "20.000" : "42.000");
    }
}

// A new station is the first recorded reading's; each later one adds the increment (widened
// before adding), or in wheel mode subtracts it for the backward letters.
TEST(SurveyPosition, ReadingsForwardAndBackward) {
    Settings s;
    s.activeStationIncrement = 0.5f;
    SurveyPosition pos;
    pos.advanceArmed = true;
    ApplyNewStation(pos, u"100");
    EXPECT_EQ(Walk(pos, s, "TTT"),
              (std::vector<std::string>{"100.00     ", "100.50     ", "101.00     "}));
    s.surveyMode = kModeWheel;
    s.activeStationIncrement = 0.2f;
    for (char back : std::string("JKjk")) {
        SurveyPosition wheel;
        wheel.station = 10.0;
        EXPECT_EQ(Walk(wheel, s, std::string("T") + back + back),
                  (std::vector<std::string>{"10.00      ", "9.80       ", "9.60       "}))
            << back;
    }
    pos.station = 1.0e12;
    AdvanceStation(pos, s, 'T');
    EXPECT_DOUBLE_EQ(pos.station, 1.0e12 + static_cast<double>(0.2f));
}

TEST(SurveyPosition, RecordDecision) {
    // Mode, readings recorded, letters, logging.
    const std::tuple<int32_t, int, std::string, bool> rows[] = {
        {kModeManual, 1, "MMMMM", true},       // a run of presses records one
        {kModeManual, 2, "MMTMM", true},       // a plain reading re-enables the next press
        {kModeManual, 0, "TDEFJj", true},      // plain readings are never recorded
        {kModeManual, 6, "NTPTQTKTkTM", true}, // every trigger letter is a press
        {kModeWheel, 5, "jjkkJ", true},        {kModeAuto, 0, "TTMM", false}, // Monitor or Stand By
    };
    for (const auto& [mode, want, letters, logging] : rows) {
        Settings s;
        s.surveyMode = mode;
        SurveyPosition pos;
        int recorded = 0;
        for (char c : letters) {
            recorded += DecideRecord(pos, s, c, logging) ? 1 : 0;
        }
        EXPECT_EQ(recorded, want) << mode << " " << letters;
    }
}

} // namespace
} // namespace tm47
