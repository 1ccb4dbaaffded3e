#pragma once
// Two enabled serial uses on one COM number would read each other's bytes, so the
// Monitor/Log start refuses such an assignment before it opens any port.

#include "config/settings.h"

namespace tm47 {

// True when the instrument, the GPS receiver (if enabled) and the output port (if enabled)
// do not all have their own COM number. A disabled use never conflicts.
bool PortsConflict(const Settings& settings);

} // namespace tm47
