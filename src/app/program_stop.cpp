#include "app/program_stop.h"

namespace tm47 {

std::string ProgramStopText() {
    static constexpr std::string_view kLines[] = {
        "Windows has run for more than 20 days.",
        "To assure accurate clock operation",
        "please restart the system.",
        "Press and hold On/Off key till blue screen",
        "and \"Warm Reset Detected\" is displayed.",
    };
    std::string text;
    for (std::size_t i = 0; i < std::size(kLines); ++i) {
        if (i > 0) {
            text += "\r\n";
        }
        text += kLines[i];
    }
    return text;
}

} // namespace tm47
