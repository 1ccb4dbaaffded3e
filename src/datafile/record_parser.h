#pragma once
// Reading data files back. Every reader of the format (the live profile, the line index, the
// viewer, the r47 tool) uses these rules:
//  - files are read in whole 24-byte records from a record boundary, never split at LF;
//  - reading records are those whose byte 0 is a reading kind letter;
//  - numeric text fields are read as leading numbers (B from 1, A from 2, S from 1, an O
//    record's new offset from 1-9 and previous offset from 11-19);
//  - a reader going forward takes the new offsets of the line header's four O records and of
//    every later group of four; a reader going backward starts with the offsets in use and,
//    on passing a group, continues with its previous offsets;
//  - position 22 of the first O record of a line header says whether the offsets are
//    subtracted before normalising ("1") or after (anything else); it holds until the next
//    line header; before any, offsets are subtracted before normalising.

#include <array>
#include <cstdint>
#include <span>

#include "config/settings.h"
#include "datafile/records.h"

namespace tm47 {

enum class OffsetOrder { BeforeNormalising, AfterNormalising };

struct ParsedReading {
    char letter = 0;
    std::array<float, 4> channel{};
    float referenceMean = 0.0f; // whole part (bytes 10-11) + signed byte 12 / 100
};

// Decodes the first 13 bytes of a stored reading record with the frame decoding's divisors,
// calibration and letter scaling; the stored reference mean chooses the nominal reference
// and gives the normalisation gain (nominal / mean; 1 when the mean is not positive).
// `record` must hold at least 13 bytes (shorter input decodes as zeros).
ParsedReading ParseReadingRecord(std::span<const uint8_t> record,
                                 const std::array<float, 4>& offsets, OffsetOrder order,
                                 const Settings& settings);
ParsedReading ParseReadingRecord(const Record& record, const std::array<float, 4>& offsets,
                                 OffsetOrder order, const Settings& settings);

struct OffsetRecordValues {
    float newOffset = 0.0f;      // positions 1-9
    float previousOffset = 0.0f; // positions 11-19
};
OffsetRecordValues ParseOffsetRecord(const Record& r);
// Header-form offset records (file header) carry a QC letter at position 10; the nulling form
// a space.
bool IsNullingFormOffset(const Record& r);
double ParseStartStation(const Record& r); // "B" record
double ParseIncrement(const Record& r);    // "A" record
double ParseStation(const Record& r);      // "S" record

// Offsets and offset order for a reader walking forward, record after record.
class ForwardOffsets {
public:
    void Feed(const Record& r);
    const std::array<float, 4>& Offsets() const { return offsets_; }
    OffsetOrder Order() const { return order_; }

private:
    std::array<float, 4> offsets_{};
    OffsetOrder order_ = OffsetOrder::BeforeNormalising;
    char previousKind_ = 0;
    bool lineHeaderGroup_ = false;
    int groupIndex_ = 0;
};

// Offsets for a reader walking backward from the end of the file, starting with the offsets in
// use at the end.
class BackwardOffsets {
public:
    explicit BackwardOffsets(const std::array<float, 4>& current) : offsets_(current) {}
    void Feed(const Record& r);
    const std::array<float, 4>& Offsets() const { return offsets_; }

private:
    std::array<float, 4> offsets_;
    char previousKind_ = 0;
    int groupIndex_ = 0;
};

} // namespace tm47
