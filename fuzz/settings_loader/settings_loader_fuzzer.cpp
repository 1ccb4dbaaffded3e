// Feeds arbitrary bytes to the settings loader as the file "Storage\TALINI\TM47KVB.INI" in a
// private root, then checks what any load must give: a short enough survey line, usable
// derived values, and a record that survives being written and read again.

#include "config/settings_file.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz/fuzz_support.h"

namespace {

namespace fs = std::filesystem;

using tm47::fuzz::Check;

// The root for the whole run, with the settings folder in it.
const fs::path& Root() {
    static const fs::path& dir = []() -> const fs::path& {
        const fs::path& d = tm47::fuzz::RunDirectory("tm47-fuzz-settings");
        fs::create_directories(d / "Storage" / "TALINI");
        return d;
    }();
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const tm47::DeviceRoot root(Root());
    const fs::path file = root.Map(tm47::kSettingsFileName);
    tm47::fuzz::WriteFileBytes(file, data, size);

    tm47::Settings settings;
    settings.profilePlotHeight = 200;
    tm47::LoadSettings(settings, root);

    Check(settings.surveyLine.size() <= tm47::kSurveyLineMax &&
          std::isfinite(settings.profilePixelsPerUnit) && settings.profilePixelsPerUnit >= 0.0f &&
          settings.cyclesPerReading >= 1);

    // Whatever was loaded, written back and loaded again, is written back the same.
    tm47::SaveSettings(settings, root);
    const std::string first = tm47::fuzz::FileBytes(file);
    tm47::Settings again;
    again.profilePlotHeight = 200;
    Check(tm47::LoadSettings(again, root) == tm47::SettingsLoad::Loaded);
    tm47::SaveSettings(again, root);
    Check(tm47::fuzz::FileBytes(file) == first);
    return 0;
}
