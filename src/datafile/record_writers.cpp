#include "datafile/record_writers.h"

#include <string>
#include <vector>

#include "platform/output_forwarder.h"

namespace tm47 {

namespace {

bool Raw(const RecordContext& ctx) {
    return ctx.output && ctx.outputMode == OutputMode::Raw;
}
bool Converted(const RecordContext& ctx) {
    return ctx.output && ctx.outputMode == OutputMode::Converted;
}

// Sends one group: `records` to the data file, `testRecords` (or `records`) to the test file
// when it is in use, and to the output port the raw records or `converted`. The test file is
// open exactly when writeTestFile was on at creation, so the GPS thread never needs to read
// the settings for it.
void Send(RecordContext& ctx, std::span<const Record> records, std::string_view converted,
          std::span<const Record> testRecords = {}) {
    const std::span<const Record> test = testRecords.empty() ? records : testRecords;
    std::string out;
    if (Raw(ctx)) {
        out.reserve(records.size() * kRecordLength);
        for (const Record& r : records) {
            out.append(r.data(), r.size());
        }
    } else if (Converted(ctx)) {
        out.assign(converted);
    }
    OutputForwarder* port = ctx.output;
    ctx.dataFile.Append(records, test, [&] {
        if (!out.empty()) {
            port->Enqueue(out);
        }
    });
}

void Send(RecordContext& ctx, const Record& r, std::string_view converted = {}) {
    Send(ctx, std::span<const Record>(&r, 1), converted);
}

} // namespace

void WriteFileHeader(RecordContext& ctx, const HeaderOffsets& offsets) {
    std::vector<Record> recs;
    recs.push_back(FileHeaderRecord(ctx.settings, ctx.polledLink, ctx.portrait));
    recs.push_back(FileNameRecord(ctx.dataFile.name8, ctx.settings.readingInterval));
    for (std::size_t c = 0; c < 4; ++c) {
        recs.push_back(
            HeaderOffsetRecord(offsets.nullOffsets[c], offsets.qcKind, offsets.qcValues[c]));
    }
    Send(ctx, recs, ConvertedFileName(ctx.dataFile.name8));
}

void WriteLineHeader(RecordContext& ctx, const std::array<float, 4>& currentOffsets,
                     const std::array<float, 4>& previousOffsets) {
    const Settings& s = ctx.settings;
    const Record line = SurveyLineRecord(s.surveyLine);
    const Record start = StartStationRecord(s.startStation);
    const Record dir = DirectionRecord(s.lineDirection, s.activeStationIncrement);
    const Record date = DateTimeRecord(ctx.clock.Local());
    const std::vector<Record> recs{line, start, dir, date};
    Send(ctx, recs, ConvertedFirst23(line) + ConvertedDirection(dir) + ConvertedDateTime(date));
    WriteOffsetRecords(ctx, false, currentOffsets, previousOffsets);
}

void WriteStationRecord(RecordContext& ctx, double station) {
    const LocalTime t = ctx.clock.Local();
    const Record r = StationRecord(station, t);
    Send(ctx, r, ConvertedStation(r, t));
}

void WriteTimeStamp(RecordContext& ctx) {
    Send(ctx, TimeStampRecord(ctx.clock.Local(), ctx.clock.Tick()));
}

uint32_t WriteReading(RecordContext& ctx, std::span<const uint8_t> frame,
                      std::span<const uint8_t> receivedFrame) {
    const uint32_t tick = ctx.clock.Tick();
    const Record r = ReadingRecord(frame, tick);
    Record test = r;
    for (std::size_t i = 10; i < kReadingFrameBytes && i < receivedFrame.size(); ++i) {
        test[i] = static_cast<char>(receivedFrame[i]);
    }
    Send(ctx, std::span<const Record>(&r, 1), {}, std::span<const Record>(&test, 1));
    return tick;
}

void WriteNote(RecordContext& ctx, std::u16string_view text, char letter) {
    const Record r = NoteRecord(letter, text, ctx.clock.Tick());
    Send(ctx, r, ConvertedFirst23(r));
}

void WriteGpsSentence(RecordContext& ctx, std::string_view text, uint32_t tick, char firstTag,
                      char continuationTag) {
    std::vector<Record> recs = GpsSentenceRecords(text, firstTag, continuationTag);
    recs.push_back(GpsTimeRecord(tick));
    Send(ctx, recs, ConvertedGpsTime(text, tick));
}

void WriteOffsetRecords(RecordContext& ctx, bool calibration, const std::array<float, 4>& values,
                        const std::array<float, 4>& previous, char qcKind) {
    std::vector<Record> recs;
    for (std::size_t c = 0; c < 4; ++c) {
        recs.push_back(calibration ? QcCalibrationRecord(qcKind, values[c])
                                   : NullingOffsetRecord(values[c], previous[c]));
    }
    Send(ctx, recs, {});
}

} // namespace tm47
