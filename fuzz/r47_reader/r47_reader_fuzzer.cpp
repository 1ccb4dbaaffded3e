// Feeds arbitrary bytes to r47 as a data file: the record walk every command shares (line
// walk, decoding, time stamps, GPS groups, positions), then check, info, dump, every export
// format and the map. Whatever the bytes: no crash, no hang, a check that finds nothing only
// for a whole number of records, and exit statuses of "read" (0) or "something skipped" (1).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "check_command.h"
#include "dump_command.h"
#include "export_command.h"
#include "info_command.h"
#include "map_command.h"

namespace {

namespace fs = std::filesystem;

struct FuzzDir {
    fs::path dir;
    std::FILE* sink = nullptr;
    FuzzDir() {
        std::string tmpl = (fs::temp_directory_path() / "r47-fuzz-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) {
            std::perror("r47 fuzz: mkdtemp");
            std::abort();
        }
        dir = tmpl;
        sink = std::fopen("/dev/null", "wb");
        if (!sink) {
            std::abort();
        }
    }
    ~FuzzDir() {
        std::fclose(sink);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

const FuzzDir& Dir() {
    static const FuzzDir d;
    return d;
}

void Expect(bool ok) {
    if (!ok) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = (Dir().dir / "FUZZ.R47").string();
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        std::abort();
    }
    std::FILE* out = Dir().sink;

    const r47::CheckResult check = r47::CheckDataFile(path);
    Expect(check.walk.opened);
    Expect(check.walk.records == static_cast<int64_t>(size / 24));
    Expect(check.problemCount >= static_cast<int64_t>(check.problems.size()));
    Expect(size % 24 == 0 || check.problemCount > 0);

    Expect(r47::RunInfo({path}, out, out) <= 1);
    Expect(r47::RunDump(path, out, out) <= 1);
    for (r47::ExportFormat format : {r47::ExportFormat::Csv, r47::ExportFormat::Xyz,
                                     r47::ExportFormat::GeoJson, r47::ExportFormat::Gpx}) {
        r47::ExportOptions options;
        options.format = format;
        options.lagS = size > 0 ? static_cast<double>(data[0] % 5) - 2.0 : 0.0;
        Expect(r47::RunExport({path}, options, out, out) <= 1);
    }
    Expect(r47::RunMap(path, 1 + (size > 1 ? data[1] % 4 : 0), 5.0, 0.0, out, out) <= 1);
    return 0;
}
