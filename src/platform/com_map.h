#pragma once
// Which host device stands behind "COMn:". Defaults to /dev/ttyUSB<n-1>; the environment
// variable TM47_COMn overrides the default and --port COMn=PATH overrides both.

#include <array>
#include <string>
#include <string_view>

namespace tm47 {

class ComMap {
public:
    static constexpr int kPorts = 12;

    // Defaults, then TM47_COM1..TM47_COM12 from the environment.
    static ComMap FromEnvironment();

    // n is 1..12; returns false for a number outside that range.
    bool Set(int n, std::string path);
    // Parses "COMn=PATH" as given to --port; false when malformed.
    bool SetFromArgument(std::string_view arg);
    // The device for port index 0..11 (COM1..COM12); empty for an index outside.
    std::string PathForIndex(int index) const;

private:
    std::array<std::string, kPorts> paths_;
};

} // namespace tm47
