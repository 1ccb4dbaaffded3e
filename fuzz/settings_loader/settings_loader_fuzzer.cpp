// Feeds arbitrary bytes to the settings loader as the file "Storage\TALINI\TM47KVB.INI" in a
// private root, then checks what any load must give: a short enough survey line, usable
// derived values, and a record that survives being written and read again.

#include "config/settings_file.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A temporary root for the whole run, removed when the fuzzer exits.
struct FuzzRoot {
    fs::path dir;
    FuzzRoot() {
        std::string tmpl = (fs::temp_directory_path() / "tm47-fuzz-settings-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) {
            std::perror("settings_loader: mkdtemp");
            std::abort();
        }
        dir = tmpl;
        fs::create_directories(dir / "Storage" / "TALINI");
    }
    ~FuzzRoot() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

const FuzzRoot& Root() {
    static const FuzzRoot root;
    return root;
}

std::string FileBytes(const fs::path& path) {
    std::string out;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) {
            out.append(buf, n);
        }
        std::fclose(f);
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const tm47::DeviceRoot root(Root().dir);
    const fs::path file = root.Map(tm47::kSettingsFileName);
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) {
        std::abort();
    }
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    tm47::Settings settings;
    settings.profilePlotHeight = 200;
    tm47::LoadSettings(settings, root);

    if (settings.surveyLine.size() > tm47::kSurveyLineMax ||
        !std::isfinite(settings.profilePixelsPerUnit) || settings.profilePixelsPerUnit < 0.0f ||
        settings.cyclesPerReading < 1) {
        std::abort();
    }

    // Whatever was loaded, written back and loaded again, is written back the same.
    tm47::SaveSettings(settings, root);
    const std::string first = FileBytes(file);
    tm47::Settings again;
    again.profilePlotHeight = 200;
    if (tm47::LoadSettings(again, root) != tm47::SettingsLoad::Loaded) {
        std::abort();
    }
    tm47::SaveSettings(again, root);
    if (FileBytes(file) != first) {
        std::abort();
    }
    return 0;
}
