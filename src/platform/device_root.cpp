#include "platform/device_root.h"

#include <cstdlib>

namespace tm47 {

std::filesystem::path DeviceRoot::DefaultPath() {
    if (const char* r = std::getenv("TM47_ROOT"); r && *r) {
        return r;
    }
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x) {
        return std::filesystem::path(x) / "tm47logger";
    }
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / ".local/share/tm47logger";
}

std::filesystem::path DeviceRoot::Map(std::string_view devicePath) const {
    std::filesystem::path out = root_;
    std::size_t begin = 0;
    while (begin <= devicePath.size()) {
        std::size_t end = devicePath.find('\\', begin);
        if (end == std::string_view::npos) {
            end = devicePath.size();
        }
        if (end > begin) {
            out /= std::string(devicePath.substr(begin, end - begin));
        }
        begin = end + 1;
    }
    return out;
}

} // namespace tm47
