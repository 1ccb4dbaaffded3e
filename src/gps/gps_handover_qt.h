#pragma once
// Wires a reader's synchronous hand-over to the Qt event loop: each queued item wakes the GUI
// thread with a queued call that drains the hand-over there. `context` bounds the wiring: a
// call posted to a context that has gone is dropped. Clear the wake (SetWake({})) before the
// context goes, once the reader has stopped.

#include <QObject>

#include "platform/handover.h"

namespace tm47 {

void DrainOnGuiThread(SyncHandover& handover, QObject* context);

// The GUI thread's end of the wiring, a child of the context. The wake names its slot, so Qt
// builds the queued call itself: a posted lambda would be made on the reader thread and read
// on the GUI thread through Qt's event queue, a hand-over ThreadSanitizer cannot see.
class HandoverWaker : public QObject {
    Q_OBJECT
public:
    HandoverWaker(SyncHandover& handover, QObject* context)
        : QObject(context), handover_(handover) {}

public slots:
    void Drain() { handover_.Drain(); }

private:
    SyncHandover& handover_;
};

} // namespace tm47
