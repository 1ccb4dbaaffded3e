#pragma once
// Data files for the r47 tests, built record by record with the logger's own record builders
// and written to a temporary folder.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "datafile/records.h"
#include "tests/datafile/temp_dir_support.h"

namespace r47test {

using TempFolder = tm47::TempDir;
using tm47::ReadAll;

// A file's bytes, record after record.
class FileBytes {
public:
    FileBytes& Add(const tm47::Record& r);
    // A literal record: up to 23 characters, padded with spaces, then LF.
    FileBytes& Add(std::string_view fields);
    // File header and name records and four header-form offsets, as data file creation writes.
    FileBytes& Header(bool gps);
    // L, B, A, Z (17 May 2024 at `hh:mm:ss`), four nulling-form O records, then a "*" stamp.
    FileBytes& Line(std::u16string_view name, double start, float increment, int hour, int minute,
                    int second, uint32_t stampTick);
    // A reading whose four raw channels are `raw`, range code 0, reference mean 0 (gain 1).
    FileBytes& Reading(int16_t raw, uint32_t tick, char letter = 'T');
    // A sentence (text without CR LF) as the GPS reader writes it, then its "!" record.
    FileBytes& Sentence(std::string_view text, uint32_t tick);
    const std::string& Bytes() const { return bytes_; }
    std::string& Bytes() { return bytes_; }
    // Writes the bytes to `path` and returns it.
    std::string WriteTo(const std::filesystem::path& path) const;

private:
    std::string bytes_;
};

// "$" + body + "*HH" with the body's checksum.
std::string WithChecksum(std::string_view body);

} // namespace r47test
