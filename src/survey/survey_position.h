#pragma once
// Where the survey stands: the current station and the two runtime switches that decide which
// readings are recorded and when the station moves. The persisted fields (line name,
// increments, sequence, direction, start station, trigger mode) live in Settings.
//
// The data file keeps no station in a reading record: the line header gives the start station,
// increment and direction, a station record gives a new station, and the readings follow in
// order. The rules here therefore decide what every stored reading's station is.
//
// Stations are 64-bit; increments are 32-bit and widened before they are added. Everything
// here runs on the GUI thread.

#include <cstdint>
#include <string>
#include <string_view>

#include "config/settings.h"

namespace tm47 {

enum class TriggerLatch : int8_t { Idle = 0, Take = 1, Hold = -1 };

struct SurveyPosition {
    double station = 0.0;      // the current station
    bool advanceArmed = false; // the next recorded reading moves the station first
    TriggerLatch manualTriggerLatch = TriggerLatch::Idle;
};

inline constexpr int32_t kModeAuto = 0;
inline constexpr int32_t kModeWheel = 1;
inline constexpr int32_t kModeManual = 2;
inline constexpr int32_t kSequenceAlternate = 0;
inline constexpr int32_t kSequenceOneWay = 1;

// After the settings are loaded: station = startStation, nothing armed, latch idle.
void ResetSurveyPosition(SurveyPosition& pos, const Settings& settings);

// T, D, E, F, J and j are plain readings; every other letter is a trigger press.
bool IsPlainLetter(char letter);
// J, K, j and k: the survey wheel turns backwards.
bool IsBackwardLetter(char letter);

// The record decision for one reading in the normal phase. Updates the latch; true when the
// reading is to be recorded (only while logging, and in Manual mode only the first reading of
// each run of trigger presses).
bool DecideRecord(SurveyPosition& pos, const Settings& settings, char letter, bool logging);

// After a recorded reading has been written: moves the station by one increment (backwards
// for J, K, j, k) unless this is the first reading since the station was set, and arms the
// next advance.
void AdvanceStation(SurveyPosition& pos, const Settings& settings, char letter);

// The Stn field: station "%-11.2f".
std::string StationFieldText(double station);

// The number at the start of an operator's text (0 when there is none).
double ReadNumber(std::u16string_view text);
// The line name as stored: the first 11 characters.
std::u16string CutLineName(std::u16string_view text);

// New Line: what the dialog shows when it opens.
struct NewLineProposal {
    std::u16string currentLine; // "Current Line:"
    std::string lastStation;    // "Last Station:", "%.3f"
    std::string newLine;        // number at the start of the line + lineIncrement, "%.2f"
    std::string lineIncrement;  // "%.2f"
    int32_t sequence = 0;       // selected in "Alternate", "One Way"
    int32_t direction = 0;      // selected in "West", "South", "North", "East"
    double startStation = 0.0;
    float stationIncrement = 0.0f;
    std::string startStationText;     // "%.3f"
    std::string stationIncrementText; // "%.3f"
};
NewLineProposal ProposeNewLine(const Settings& settings, const SurveyPosition& pos);

// The opposite walking direction: West and East swap, South and North swap.
int32_t OppositeDirection(int32_t direction);

// New Line confirmed with these texts and selections.
struct NewLineEntry {
    std::u16string newLine;
    std::u16string lineIncrement;
    int32_t sequence = 0;
    int32_t direction = 0;
    std::u16string startStation;
    std::u16string stationIncrement;
};
// Stores the entry: line name (cut to 11), line increment, sequence, direction, start station
// and station (the same value), active increment; clears advanceArmed so the first reading of
// the line lies at the start station. The caller saves the settings and writes the line header.
void ApplyNewLine(Settings& settings, SurveyPosition& pos, const NewLineEntry& entry);

// New Station: "Start Station:" and "Last  Station:" texts ("%.3f").
struct NewStationProposal {
    std::string startStation;
    std::string lastStation;
};
NewStationProposal ProposeNewStation(const Settings& settings, const SurveyPosition& pos);
// New Station confirmed: station = the typed value (0 for no number), advanceArmed cleared;
// startStation unchanged. The caller writes the station and time-stamp records.
void ApplyNewStation(SurveyPosition& pos, std::u16string_view typed);

} // namespace tm47
