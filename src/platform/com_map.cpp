#include "platform/com_map.h"

#include <charconv>
#include <cstdlib>

namespace tm47 {

ComMap ComMap::FromEnvironment() {
    ComMap map;
    for (int n = 1; n <= kPorts; ++n) {
        map.paths_[n - 1] = "/dev/ttyUSB" + std::to_string(n - 1);
        std::string var = "TM47_COM" + std::to_string(n);
        if (const char* v = std::getenv(var.c_str()); v && *v) {
            map.paths_[n - 1] = v;
        }
    }
    return map;
}

bool ComMap::Set(int n, std::string path) {
    if (n < 1 || n > kPorts || path.empty()) {
        return false;
    }
    paths_[n - 1] = std::move(path);
    return true;
}

bool ComMap::SetFromArgument(std::string_view arg) {
    if (arg.size() < 4 || (arg.substr(0, 3) != "COM" && arg.substr(0, 3) != "com")) {
        return false;
    }
    std::size_t eq = arg.find('=');
    if (eq == std::string_view::npos || eq <= 3) {
        return false;
    }
    int n = 0;
    auto digits = arg.substr(3, eq - 3);
    auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec != std::errc() || p != digits.data() + digits.size()) {
        return false;
    }
    return Set(n, std::string(arg.substr(eq + 1)));
}

std::string ComMap::PathForIndex(int index) const {
    if (index < 0 || index >= kPorts) {
        return {};
    }
    return paths_[index];
}

} // namespace tm47
