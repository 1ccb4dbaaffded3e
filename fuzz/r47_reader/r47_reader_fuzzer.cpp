// Feeds arbitrary bytes to r47 as a data file: the record walk every command shares (line
// walk, decoding, time stamps, GPS groups, positions), then check, info, dump, every export
// format and the map. Whatever the bytes: no crash, no hang, a check that finds nothing only
// for a whole number of records, and exit statuses of "read" (0) or "something skipped" (1).

#include <cstdint>
#include <cstdio>
#include <string>

#include "check_command.h"
#include "dump_command.h"
#include "export_command.h"
#include "info_command.h"
#include "map_command.h"

#include "fuzz/fuzz_support.h"

namespace {

using tm47::fuzz::Check;

// Where the commands write: nowhere.
std::FILE* Sink() {
    static std::FILE* const sink = std::fopen("/dev/null", "wb");
    Check(sink != nullptr);
    return sink;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = (tm47::fuzz::RunDirectory("r47-fuzz") / "FUZZ.R47").string();
    tm47::fuzz::WriteFileBytes(path, data, size);
    std::FILE* out = Sink();

    const r47::CheckResult check = r47::CheckDataFile(path);
    Check(check.walk.opened);
    Check(check.walk.records == static_cast<int64_t>(size / 24));
    Check(check.problemCount >= static_cast<int64_t>(check.problems.size()));
    Check(size % 24 == 0 || check.problemCount > 0);

    Check(r47::RunInfo({path}, out, out) <= 1);
    Check(r47::RunDump(path, out, out) <= 1);
    for (r47::ExportFormat format : {r47::ExportFormat::Csv, r47::ExportFormat::Xyz,
                                     r47::ExportFormat::GeoJson, r47::ExportFormat::Gpx}) {
        r47::ExportOptions options;
        options.format = format;
        options.lagS = size > 0 ? static_cast<double>(data[0] % 5) - 2.0 : 0.0;
        Check(r47::RunExport({path}, options, out, out) <= 1);
    }
    Check(r47::RunMap(path, 1 + (size > 1 ? data[1] % 4 : 0), 5.0, 0.0, out, out) <= 1);
    return 0;
}
