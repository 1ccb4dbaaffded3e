#include "app/port_check.h"

#include "platform/port_open_failure.h"

namespace tm47 {

bool PortsConflict(const Settings& s,
                   const std::function<std::string(int portIndex, SerialUse use)>& pathFor) {
    struct Use {
        bool enabled;
        int port;
        SerialUse use;
    };
    const Use uses[] = {{true, s.instrumentPort, SerialUse::Instrument},
                        {s.gpsEnabled == 1, s.gpsPort, SerialUse::Gps},
                        {s.outputEnabled == 1, s.outputPort, SerialUse::Output}};
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = i + 1; j < 3; ++j) {
            const Use& a = uses[i];
            const Use& b = uses[j];
            if (a.enabled && b.enabled &&
                (a.port == b.port || SameDevice(pathFor(a.port, a.use), pathFor(b.port, b.use)))) {
                return true;
            }
        }
    }
    return false;
}

} // namespace tm47
