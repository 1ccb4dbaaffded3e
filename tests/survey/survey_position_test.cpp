// The survey position rules: which readings are recorded, where each one lies, and what the
// next line is proposed to be.
#include <cmath>
#include <string>
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

TEST(SurveyPosition, AlternateWalksBackFromTheLastStationInTheOppositeDirection) {
    Settings s;
    s.lineSequence = kSequenceAlternate;
    s.lineDirection = 1; // South
    s.activeStationIncrement = 1.0f;
    s.surveyLine = u"12";
    SurveyPosition pos;
    pos.station = 25.0;
    NewLineProposal p = ProposeNewLine(s, pos);
    EXPECT_EQ(p.startStationText, "25.000");
    EXPECT_EQ(p.stationIncrementText, "-1.000");
    EXPECT_EQ(p.direction, 2); // North
    EXPECT_EQ(p.newLine, "13.00");
    EXPECT_EQ(p.lastStation, "25.000");

    ApplyNewLine(s, pos, {u"13.00", u"1.00", p.sequence, p.direction, u"25.000", u"-1.000"});
    pos.station = 20.0;
    p = ProposeNewLine(s, pos);
    EXPECT_EQ(p.startStationText, "20.000");
    EXPECT_EQ(p.stationIncrementText, "1.000");
    EXPECT_EQ(p.direction, 1); // South
    EXPECT_EQ(p.newLine, "14.00");
}

TEST(SurveyPosition, OneWayKeepsStartIncrementAndDirection) {
    Settings s;
    s.lineSequence = kSequenceOneWay;
    s.lineDirection = 3;
    s.startStation = 5.5;
    s.activeStationIncrement = 0.25f;
    SurveyPosition pos;
    pos.station = 77.0;
    const NewLineProposal p = ProposeNewLine(s, pos);
    EXPECT_EQ(p.startStationText, "5.500");
    EXPECT_EQ(p.stationIncrementText, "0.250");
    EXPECT_EQ(p.direction, 3);
    EXPECT_EQ(p.sequence, kSequenceOneWay);
}

TEST(SurveyPosition, NewLineProposalReadsTheNumberAtTheStartOfTheLineName) {
    struct Row {
        std::u16string line;
        float increment;
        const char* want;
    };
    const Row rows[] = {
        {u"L5", 1.0f, "1.00"},     {u"5", 1.0f, "6.00"},      {u"A7", 1.0f, "1.00"},
        {u"12", 1.0f, "13.00"},    {u"-3.5N", 0.5f, "-3.00"}, {u"", 2.0f, "2.00"},
        {u" 7e1x", 1.0f, "71.00"},
    };
    for (const Row& r : rows) {
        Settings s;
        s.surveyLine = r.line;
        s.lineIncrement = r.increment;
        EXPECT_EQ(ProposeNewLine(s, SurveyPosition{}).newLine, r.want);
    }
}

TEST(SurveyPosition, NewLineStoresTheTypedValues) {
    Settings s;
    SurveyPosition pos;
    pos.advanceArmed = true;
    ApplyNewLine(s, pos, {u"NORTH-FIELD-EXTRA", u"2.5m", 1, 0, u"100.25", u"abc"});
    EXPECT_EQ(s.surveyLine, u"NORTH-FIELD"); // 15+ characters keep their first 11
    EXPECT_FLOAT_EQ(s.lineIncrement, 2.5f);
    EXPECT_EQ(s.lineSequence, 1);
    EXPECT_EQ(s.lineDirection, 0);
    EXPECT_DOUBLE_EQ(s.startStation, 100.25);
    EXPECT_DOUBLE_EQ(pos.station, 100.25);
    EXPECT_FLOAT_EQ(s.activeStationIncrement, 0.0f); // not a number: 0, the station stands
    EXPECT_FALSE(pos.advanceArmed);
}

TEST(SurveyPosition, FifteenCharacterLineNameKeepsEleven) {
    EXPECT_EQ(CutLineName(u"ABCDEFGHIJKLMNO"), u"ABCDEFGHIJK");
    EXPECT_EQ(CutLineName(u"L5"), u"L5");
}

TEST(SurveyPosition, NewStationThenThreeReadings) {
    Settings s;
    s.activeStationIncrement = 0.5f;
    SurveyPosition pos;
    pos.station = 42.0;
    pos.advanceArmed = true;
    ApplyNewStation(pos, u"100");
    EXPECT_EQ(Walk(pos, s, "TTT"),
              (std::vector<std::string>{"100.00     ", "100.50     ", "101.00     "}));
}

TEST(SurveyPosition, EmptyNewStationIsZero) {
    SurveyPosition pos;
    pos.station = 9.0;
    ApplyNewStation(pos, u"");
    EXPECT_DOUBLE_EQ(pos.station, 0.0);
    const NewStationProposal p = ProposeNewStation(Settings{}, pos);
    EXPECT_EQ(p.startStation, "0.000");
    EXPECT_EQ(p.lastStation, "0.000");
}

TEST(SurveyPosition, BackwardLettersLowerTheStation) {
    Settings s;
    s.surveyMode = kModeWheel;
    s.activeStationIncrement = 0.2f;
    for (char back : std::string("JKjk")) {
        SurveyPosition pos;
        pos.station = 10.0;
        EXPECT_EQ(Walk(pos, s, std::string("T") + back + back),
                  (std::vector<std::string>{"10.00      ", "9.80       ", "9.60       "}))
            << back;
    }
}

TEST(SurveyPosition, IncrementIsWidenedBeforeAdding) {
    Settings s;
    s.activeStationIncrement = 0.2f;
    SurveyPosition pos;
    pos.station = 1.0e12;
    pos.advanceArmed = true;
    AdvanceStation(pos, s, 'T');
    EXPECT_DOUBLE_EQ(pos.station, 1.0e12 + static_cast<double>(0.2f));
}

TEST(SurveyPosition, RecordDecision) {
    struct Row {
        const char* what;
        int32_t mode;
        std::string letters;
        bool logging;
        int recorded;
    };
    const Row rows[] = {
        {"Manual: a run of five presses records one", kModeManual, "MMMMM", true, 1},
        {"Manual: a plain reading re-enables the next press", kModeManual, "MMTMM", true, 2},
        {"Manual: plain readings are never recorded", kModeManual, "TDEFJj", true, 0},
        {"Manual: every trigger letter is a press", kModeManual, "NTPTQTKTkTM", true, 6},
        {"Auto: every reading", kModeAuto, "TTMMD", true, 5},
        {"Wheel: every reading", kModeWheel, "jjkkJ", true, 5},
        {"Monitor or Stand By: none", kModeAuto, "TTMM", false, 0},
    };
    for (const Row& r : rows) {
        Settings s;
        s.surveyMode = r.mode;
        SurveyPosition pos;
        int recorded = 0;
        for (char c : r.letters) {
            recorded += DecideRecord(pos, s, c, r.logging) ? 1 : 0;
        }
        EXPECT_EQ(recorded, r.recorded) << r.what;
    }
}

TEST(SurveyPosition, ManualLatchStates) {
    Settings s;
    s.surveyMode = kModeManual;
    SurveyPosition pos;
    DecideRecord(pos, s, 'M', false);
    EXPECT_EQ(pos.manualTriggerLatch, TriggerLatch::Take);
    DecideRecord(pos, s, 'M', false);
    EXPECT_EQ(pos.manualTriggerLatch, TriggerLatch::Hold);
    DecideRecord(pos, s, 'T', false);
    EXPECT_EQ(pos.manualTriggerLatch, TriggerLatch::Idle);
}

TEST(SurveyPosition, ResetAfterLoading) {
    Settings s;
    s.startStation = 12.5;
    SurveyPosition pos{3.0, true, TriggerLatch::Hold};
    ResetSurveyPosition(pos, s);
    EXPECT_DOUBLE_EQ(pos.station, 12.5);
    EXPECT_FALSE(pos.advanceArmed);
    EXPECT_EQ(pos.manualTriggerLatch, TriggerLatch::Idle);
}

TEST(SurveyPosition, NumbersFromTheStartOfTheText) {
    struct Row {
        std::u16string text;
        double want;
    };
    const Row rows[] = {{u"100", 100},
                        {u"  -2.5e2xyz", -250},
                        {u"+.5", 0.5},
                        {u"abc", 0},
                        {u"", 0},
                        {u"1e", 1},
                        {u"--1", 0},
                        {u"3,5", 3},
                        {u"1e999", HUGE_VAL}};
    for (const Row& r : rows) {
        EXPECT_DOUBLE_EQ(ReadNumber(r.text), r.want);
    }
}

} // namespace
} // namespace tm47
