#include "gps/gps_handover_qt.h"

#include <QMetaObject>

namespace tm47 {

void DrainOnGuiThread(SyncHandover& handover, QObject* context) {
    auto* waker = new HandoverWaker(handover, context);
    handover.SetWake([waker] { QMetaObject::invokeMethod(waker, "Drain", Qt::QueuedConnection); });
}

} // namespace tm47
