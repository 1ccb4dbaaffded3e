#pragma once
// Forward reading of a data file in whole 24-byte records, through a large buffer so that a
// line of a million readings is not a million small reads. A read that cannot complete a
// record (end of file, a cut-off last record, a read error) ends the walk; the bytes of the
// incomplete record are never handed out.

#include <cstdint>
#include <cstdio>
#include <vector>

#include "datafile/records.h"

namespace tm47 {

class RecordReader {
public:
    // Reads from the current position of `file`, which the reader then owns until it is done.
    explicit RecordReader(std::FILE* file);

    // The next whole record; false at the end.
    bool Next(Record& out);
    // Byte offset of the record Next returned last, relative to where reading started.
    int64_t LastRecordOffset() const { return consumed_ - static_cast<int64_t>(kRecordLength); }

private:
    bool Fill();

    std::FILE* file_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool ended_ = false;
    int64_t consumed_ = 0;
};

} // namespace tm47
