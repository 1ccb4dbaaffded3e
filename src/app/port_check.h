#pragma once
// Two enabled serial uses on one port would read each other's bytes, so the Monitor/Log start
// refuses such an assignment before it opens any port. Two COM numbers mapped to one device
// (the same device number, or one path a link to the other) are one port.

#include <functional>
#include <string>

#include "config/settings.h"
#include "platform/serial_port.h"

namespace tm47 {

// True when the instrument, the GPS receiver (if enabled) and the output port (if enabled)
// do not all have their own port. `pathFor` gives the device behind a port index, for each
// use. A disabled use never conflicts.
bool PortsConflict(const Settings& settings,
                   const std::function<std::string(int portIndex, SerialUse use)>& pathFor);

} // namespace tm47
