#pragma once
// The export formats, one row or feature per reading, written as they come.

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "data_walk.h"
#include "position_track.h"

namespace r47 {

enum class ExportFormat { Csv, Xyz, GeoJson, Gpx };

// What a format writer is given for each reading.
struct ExportRow {
    const std::string* file = nullptr; // as named on the command line
    const PositionedRow* row = nullptr;
    // UTC time of the reading in ms since 1970, when the offset to UTC is known.
    std::optional<int64_t> utcMs;
};

class ExportWriter {
public:
    explicit ExportWriter(std::FILE* out) : out_(out) {}
    virtual ~ExportWriter() = default;
    virtual void Begin() {}
    virtual void BeginFile(const std::string& file, const FileFacts& facts) {}
    virtual void Row(const ExportRow& row) = 0;
    virtual void End() {}
    // Readings left out for want of a position.
    int64_t Unpositioned() const { return unpositioned_; }
    // Writes what is buffered; false when a write failed.
    bool Flush();

protected:
    void MaybeFlush() {
        if (buffer_.size() >= 1 << 16) {
            Flush();
        }
    }
    std::string buffer_;
    int64_t unpositioned_ = 0;

private:
    std::FILE* out_;
    bool failed_ = false;
};

std::unique_ptr<ExportWriter> MakeExportWriter(ExportFormat format, std::FILE* out);

// GPX fix text for a GGA quality and the nearest GSA mode: 2, 4, 5 "dgps", 3 "pps", 1 "3d" or
// "2d" by the GSA mode; empty when none applies.
std::string GpxFix(int quality, std::optional<int> gsaMode);

// "2024-05-17T10:00:00.200Z".
void AppendIsoUtc(std::string& out, int64_t utcMs);

} // namespace r47
