#pragma once
// The record writers. Each builds its records and sends them, in one locked step, to
//   1. the data file,
//   2. the test file when writeTestFile is on (reading records there carry the reference and
//      battery bytes as the instrument sent them),
//   3. the output port when forwarding is on: the same 24 bytes in Raw Data mode, the short
//      text form (or nothing) in Converted mode.
// All run on the GUI thread except WriteGpsSentence, which runs on the GPS reader thread;
// DataFile serialises them.

#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <string_view>

#include "config/settings.h"
#include "datafile/data_file.h"
#include "datafile/records.h"
#include "platform/clock.h"

namespace tm47 {

class OutputForwarder;

// What the writers need from the running logger. One instance, built by the owner of the
// session and passed by reference.
struct RecordContext {
    const Settings& settings;
    DataFile& dataFile;
    const Clock& clock;
    OutputForwarder* output = nullptr; // the output port queue, null when not open
    // Written by the GUI thread at each frame, read by the GPS writer too.
    std::atomic<OutputMode> outputMode = OutputMode::Off;
    std::atomic<bool> polledLink = true; // link mode 1 (polled) / 0 (streaming)
    bool portrait = true;                // client width not greater than height
};

// The state of the null offsets and of the last QC calibration, as the header records show it.
struct HeaderOffsets {
    std::array<float, 4> nullOffsets{};
    char qcKind = kQcNone; // 'N' none, 'I' internal, 'E' external
    std::array<float, 4> qcValues{};
};

// File header, file name and the four header-form offset records.
void WriteFileHeader(RecordContext& ctx, const HeaderOffsets& offsets);
// Survey line, start station, direction and increment, date and time, then the four
// nulling-form offset records with the current and previous offsets.
void WriteLineHeader(RecordContext& ctx, const std::array<float, 4>& currentOffsets,
                     const std::array<float, 4>& previousOffsets);
// New station record for `station`.
void WriteStationRecord(RecordContext& ctx, double station);
void WriteTimeStamp(RecordContext& ctx);
// Reading record from `frame` (frame bytes 0-12 after decoding, which hold the reference
// mean); the test copy takes bytes 10-12 from `receivedFrame`, the frame as the instrument
// sent it. Returns the tick written.
uint32_t WriteReading(RecordContext& ctx, std::span<const uint8_t> frame,
                      std::span<const uint8_t> receivedFrame);
// Comment ('C') or marker ('X') record.
void WriteNote(RecordContext& ctx, std::u16string_view text, char letter);
// GPS sentence pieces and the GPS time record; `text` runs from "$" up to, not including,
// CR LF; `tick` is the tick taken when its "$" arrived.
void WriteGpsSentence(RecordContext& ctx, std::string_view text, uint32_t tick, char firstTag,
                      char continuationTag);
// calibration: QC calibration records of kind `qcKind` from `values`; otherwise nulling-form
// offset records with `values` new and `previous` previous.
void WriteOffsetRecords(RecordContext& ctx, bool calibration, const std::array<float, 4>& values,
                        const std::array<float, 4>& previous, char qcKind = kQcInternal);

} // namespace tm47
