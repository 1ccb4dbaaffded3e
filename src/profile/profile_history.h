#pragma once
// The history of the live profile, read back from the open data file.
//
// The live profile keeps no list of past readings: what is on the screen is the profile. After
// the window has been repainted, the visible history is read again from the data file,
// walking backwards one 24-byte record at a time from the end of what has been written, so a
// redraw reads only the records that lie inside the window, however large the file is.
//
// The walk, newest record first:
//  - a reading record becomes one step at column x (all four rows); x moves 2 columns left and
//    the walk ends once x falls below 0;
//  - a group of nulling-form "O" records hands the older readings the offsets that were in
//    use before that nulling (their "previous" values);
//  - an "S" (new station) is a gap of one reading: x moves 2 columns left and the curves
//    break there;
//  - a "Z" (the date record of a line header) ends the walk: older readings belong to another
//    survey line;
//  - the first record of the file is its header, whatever its letter, and is never read as a
//    reading; the walk ends there.
//
// Qt-free; the window draws the runs this returns.

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "config/settings.h"
#include "datafile/record_parser.h"
#include "datafile/records.h"

namespace tm47 {

// Records of a data file, fetched by index (0 = the file header).
class RecordSource {
public:
    virtual ~RecordSource() = default;
    virtual int64_t RecordCount() const = 0;
    // False when the record cannot be read (the walk then ends).
    virtual bool ReadRecord(int64_t index, Record& out) = 0;
};

// The data file on disk, opened read-only beside the writer's handle (the writer's position is
// never moved). Only the first `endBytes` bytes count: the end of what had been written when
// the redraw started.
class FileRecordSource final : public RecordSource {
public:
    FileRecordSource(const std::filesystem::path& path, int64_t endBytes);
    ~FileRecordSource() override;
    FileRecordSource(const FileRecordSource&) = delete;
    FileRecordSource& operator=(const FileRecordSource&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int64_t RecordCount() const override { return records_; }
    bool ReadRecord(int64_t index, Record& out) override;
    // What the walk cost: bytes and records read.
    int64_t BytesRead() const { return bytesRead_; }
    int64_t RecordsRead() const { return recordsRead_; }

private:
    int fd_ = -1;
    int64_t records_ = 0;
    int64_t bytesRead_ = 0;
    int64_t recordsRead_ = 0;
};

// One reading of the history: its column and the rows of its four channels (compressed and
// mapped like a live reading).
struct HistoryStep {
    int32_t x = 0;
    std::array<int32_t, 4> rows{};
};

// A stretch of curve without a break, oldest step first.
using HistoryRun = std::vector<HistoryStep>;

struct HistoryRequest {
    const Settings& settings;
    std::array<float, 4> offsets{}; // the nulling offsets in use now
    OffsetOrder order = OffsetOrder::BeforeNormalising;
    int32_t scrollWidth = 0; // W: the newest reading sits at column W
};

// Walks the records backwards from the end and returns the runs, oldest run first.
std::vector<HistoryRun> WalkHistory(RecordSource& source, const HistoryRequest& request);

} // namespace tm47
