#pragma once
// The pace at which readings redraw the live screen. Every repaint of the Monitor/Log screen
// costs a round trip to the display server and a few hundred microseconds of drawing, several
// times the reading's own work, and at 4 to 18 readings a second that was most of the
// logger's CPU use. So what a reading changes (values, station, the profile's scroll step) is
// collected and drawn at most once every kIntervalMs while readings flow, by the first
// reading after that time; when readings stop, what is left is drawn kIntervalMs after the
// last one. A reading after a pause (a wheel trigger, a manual reading) is drawn at once.
// Changes outside a reading (keys, messages, dialogs) are drawn at once as before. Only the
// picture waits: records, beeps and output are the reading's, and happen as it is handled.
//
// GUI thread only.

#include <QElapsedTimer>
#include <QPointer>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include <vector>

namespace tm47 {

class LiveRedrawPacer {
public:
    static constexpr int kIntervalMs = 400;

    LiveRedrawPacer();

    // Inside a reading the area is collected; otherwise `widget` repaints it soon.
    void Update(QWidget* widget, const QRect& area);

    void BeginReading() { inReading_ = true; }
    // Draws what the reading changed now when kIntervalMs have passed since the last draw,
    // else leaves it to a later reading or to the time-out.
    void EndReading();

private:
    void Draw();

    bool inReading_ = false;
    std::vector<std::pair<QPointer<QWidget>, QRegion>> pending_;
    QElapsedTimer sinceDraw_;
    QTimer timeout_;
};

} // namespace tm47
