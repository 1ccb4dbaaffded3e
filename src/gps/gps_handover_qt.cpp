#include "gps/gps_handover_qt.h"

#include <QMetaObject>

namespace tm47 {

void DrainOnGuiThread(SyncHandover& handover, QObject* context) {
    handover.SetWake([&handover, context] {
        QMetaObject::invokeMethod(
            context, [&handover] { handover.Drain(); }, Qt::QueuedConnection);
    });
}

} // namespace tm47
