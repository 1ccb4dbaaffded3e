#include "survey/logging_layout_qt.h"

#include <QFontMetrics>

#include <algorithm>
#include <initializer_list>

namespace tm47 {

namespace {

constexpr int kGpsGap = 2; // portrait: each GPS field starts this far after the previous one

} // namespace

LoggingLayout ComputeLoggingLayout(const ScreenGeometry& g, const LayoutTextWidths& t) {
    LoggingLayout l;
    const int h = g.lineHeight;
    const int w = g.width;
    const bool portrait = g.portrait;
    auto set = [&](LogField f, QRect r) { l.fields[static_cast<std::size_t>(f)] = r; };
    auto span = [&](int x0, int x1, int y) { return QRect(x0, y, std::max(0, x1 - x0), h); };

    l.profile = QRect(g.profileLeft, g.profileTop, g.profileWidth, g.profileHeight);
    l.buttonRow = QRect(4, g.height - 22, g.width - 8, 20);
    const int r1 = 1;
    const int r2 = 1 + h;
    const int r3 = portrait ? 1 + 2 * h : 0;
    const int r4 = g.profileTop + g.profileHeight;
    const int r5 = r4 + h;
    const int r6 = portrait ? r5 + h : 0;
    l.rowY = {r1, r2, r3, r4, r5, r6};

    const int batteryLeft = w - t.batteryValue - 5;
    set(LogField::InstrumentBattery, span(batteryLeft, w, r2));
    set(LogField::DeviceBattery, span(w - 40, w, r1));
    if (portrait) {
        set(LogField::FileName, span(5, 105, r1));
        set(LogField::TriggerMode, span(110, w - 40, r1));
        set(LogField::StateWord, QRect(5, r2, t.stateWord, h));
        set(LogField::InstrumentMode, span(110, w - 60, r2));
        set(LogField::LineLabel, QRect(5, r3, t.lineLabel, h));
        set(LogField::Line, span(5 + t.lineLabel, 109, r3));
        set(LogField::StationLabel, QRect(110, r3, t.stationLabel, h));
        const int markerX = 110 + t.stationLabel;
        set(LogField::Marker, QRect(markerX, r3, t.marker, h));
        set(LogField::Station, span(markerX + t.marker, w - 1, r3));
    } else {
        const int stateLeft = w - 40 - t.stateWord;
        set(LogField::FileName, span(5, 125, r1));
        set(LogField::TriggerMode, span(130, 175, r1));
        set(LogField::StateWord, QRect(stateLeft, r1, t.stateWord, h));
        set(LogField::InstrumentMode, span(175, stateLeft - 1, r1));
        set(LogField::LineLabel, QRect(5, r2, t.lineLabel, h));
        set(LogField::Line, span(5 + t.lineLabel, 129, r2));
        set(LogField::StationLabel, QRect(130, r2, t.stationLabel, h));
        const int markerX = 130 + t.stationLabel;
        set(LogField::Marker, QRect(markerX, r2, t.marker, h));
        set(LogField::Station, span(markerX + t.marker, batteryLeft - 1, r2));
    }

    // Message lines and channel values share the rows below the profile.
    set(LogField::Message, span(5, w, r4));
    if (portrait) {
        set(LogField::Message2, span(5, w, r5));
        const int half = w / 2;
        const int left = (half - t.channel) / 2;
        set(LogField::Ch1, QRect(left, r4, t.channel, h));
        set(LogField::Ch2, QRect(half + left, r4, t.channel, h));
        set(LogField::Ch3, QRect(left, r5, t.channel, h));
        set(LogField::Ch4, QRect(half + left, r5, t.channel, h));
    } else {
        set(LogField::Ch1, span(5, 84, r4));
        set(LogField::Ch2, span(85, 165, r4));
        set(LogField::Ch3, span(165, 244, r4));
        set(LogField::Ch4, span(245, w, r4));
    }

    // The GPS row.
    const int gy = portrait ? r6 : r5;
    set(LogField::GpsDisabled, span(0, w, gy));
    int x = 5;
    auto next = [&](LogField f, int width, int gap) {
        set(f, QRect(x, gy, width, h));
        x += width + gap;
    };
    next(LogField::GpsPosLabel, t.gpsPosLabel, kGpsGap);
    next(LogField::GpsActivity, t.gpsActivity, kGpsGap);
    next(LogField::GpsCountLabel, t.gpsCountLabel, kGpsGap);
    next(LogField::GpsCount, t.gpsCount, kGpsGap);
    if (!portrait) {
        x = 110;
    }
    next(LogField::GpsFix, t.gpsFix, kGpsGap);
    if (!portrait) {
        x = 180;
    }
    next(LogField::GpsPdopLabel, t.gpsPdopLabel, kGpsGap);
    next(LogField::GpsPdop, t.gpsPdop, kGpsGap);
    if (!portrait) {
        x = 260;
    }
    next(LogField::GpsSatLabel, t.gpsSatLabel, kGpsGap);
    next(LogField::GpsSat, t.gpsSat, kGpsGap);
    return l;
}

LayoutTextWidths MeasureLayoutTexts(const QFont& normal, const QFont& bold) {
    const QFontMetrics n(normal);
    const QFontMetrics b(bold);
    auto widest = [](const QFontMetrics& m, std::initializer_list<const char*> words) {
        int out = 0;
        for (const char* word : words) {
            out = std::max(out, m.horizontalAdvance(QString::fromLatin1(word)));
        }
        return out;
    };
    LayoutTextWidths t;
    t.stateWord = widest(b, {"Stand By", "Logging", "Monitor"});
    t.batteryValue = b.horizontalAdvance(QStringLiteral("B:99.99V"));
    t.lineLabel = n.horizontalAdvance(QStringLiteral("Ln:"));
    t.stationLabel = n.horizontalAdvance(QStringLiteral("Stn:"));
    t.marker = b.horizontalAdvance(QStringLiteral("M"));
    t.channel = b.horizontalAdvance(QStringLiteral("Ch3:-99999.9"));
    t.gpsPosLabel = n.horizontalAdvance(QStringLiteral("Pos"));
    t.gpsActivity = b.horizontalAdvance(QStringLiteral("W"));
    t.gpsCountLabel = n.horizontalAdvance(QStringLiteral("#"));
    t.gpsCount = b.horizontalAdvance(QStringLiteral("99999"));
    t.gpsFix = std::max(widest(n, {"CODE", "DGPS", "RTK", "AGPS", "NO FIX"}),
                        widest(b, {"CODE", "DGPS", "RTK", "AGPS", "NO FIX"}));
    t.gpsPdopLabel = n.horizontalAdvance(QStringLiteral("PDOP:"));
    t.gpsPdop = b.horizontalAdvance(QStringLiteral("99.9"));
    t.gpsSatLabel = n.horizontalAdvance(QStringLiteral("Sat:"));
    t.gpsSat = b.horizontalAdvance(QStringLiteral("99"));
    return t;
}

} // namespace tm47
