#include "app/port_check.h"

namespace tm47 {

bool PortsConflict(const Settings& s) {
    const bool gps = s.gpsEnabled == 1;
    const bool output = s.outputEnabled == 1;
    return (gps && s.instrumentPort == s.gpsPort) || (output && s.instrumentPort == s.outputPort) ||
           (gps && output && s.gpsPort == s.outputPort);
}

} // namespace tm47
