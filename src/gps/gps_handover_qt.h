#pragma once
// Wires a reader's synchronous hand-over to the Qt event loop: each queued item wakes the GUI
// thread with a queued call that drains the hand-over there. `context` bounds the wiring: a
// call posted to a context that has gone is dropped. Clear the wake (SetWake({})) before the
// context goes, once the reader has stopped.

#include <QObject>

#include "platform/handover.h"

namespace tm47 {

void DrainOnGuiThread(SyncHandover& handover, QObject* context);

} // namespace tm47
