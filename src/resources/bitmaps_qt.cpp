// The menu screen's artwork. Colours follow the logger's own: the navy of the instrument
// housing, the signal red of the GPS warning, and the four channel colours of the profile
// (blue, green, red, magenta) on the gate markers of the decay curve.

#include "resources/bitmaps_qt.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace tm47 {

namespace {

const QColor kNavyDark(0x0a, 0x1a, 0x3a);
const QColor kNavy(0x15, 0x33, 0x6b);
const QColor kTitleNavy(0x10, 0x30, 0x6a);
const QColor kSignalRed(0xc6, 0x28, 0x28);
const QColor kCyan(0x5a, 0xd1, 0xff);
const QColor kPaleBlue(0x8f, 0xb4, 0xe8);
const QColor kInk(0x30, 0x30, 0x30);
const QColor kChannel[4] = {QColor(0, 0, 255), QColor(0, 0xa0, 0), QColor(255, 0, 0),
                            QColor(255, 0, 255)};

QFont ArtFont(qreal pixelSize, int weight, qreal spacing = 0.0) {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(static_cast<int>(pixelSize));
    font.setWeight(static_cast<QFont::Weight>(weight));
    if (spacing != 0.0) {
        font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    }
    return font;
}

// A loop antenna seen from above: concentric turns around a centre.
void DrawCoil(QPainter& p, QPointF centre, qreal outer) {
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        const qreal r = outer * (1.0 - i * 0.3);
        QColor c = kCyan;
        c.setAlphaF(1.0 - i * 0.25);
        p.setPen(QPen(c, 1.4));
        p.drawEllipse(centre, r, r);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(centre, outer * 0.12, outer * 0.12);
    p.setBrush(Qt::NoBrush);
}

// Time runs down the bar: transmitter pulses (pale) and the ground's decaying answer after
// each turn-off (bright), with the four channel gates on the decay.
void DrawTransients(QPainter& p, qreal left, qreal right, qreal top, qreal bottom) {
    const qreal base = left;
    const qreal high = right;
    const qreal period = 44.0;
    p.setBrush(Qt::NoBrush);
    for (qreal y = top; y + period <= bottom + 0.5; y += period) {
        const qreal on = period * 0.32;
        p.setPen(QPen(kPaleBlue, 1.2));
        QPainterPath pulse;
        pulse.moveTo(base, y);
        pulse.lineTo(high, y + 2);
        pulse.lineTo(high, y + on);
        pulse.lineTo(base, y + on + 1);
        p.drawPath(pulse);

        QPainterPath decay;
        const qreal span = period - on - 3;
        decay.moveTo(base, y + on + 1);
        for (int k = 0; k <= 24; ++k) {
            const qreal t = k / 24.0;
            const qreal x = base + (high - base) * 0.78 * std::exp(-4.2 * t);
            decay.lineTo(x, y + on + 1 + t * span);
        }
        p.setPen(QPen(kCyan, 1.6));
        p.drawPath(decay);
        for (int g = 0; g < 4; ++g) {
            const qreal t = 0.12 + g * 0.2;
            const qreal x = base + (high - base) * 0.78 * std::exp(-4.2 * t);
            p.setPen(Qt::NoPen);
            p.setBrush(kChannel[g].lighter(g == 0 ? 170 : 120));
            p.drawEllipse(QPointF(x, y + on + 1 + t * span), 1.5, 1.5);
        }
        p.setBrush(Qt::NoBrush);
    }
    p.setPen(QPen(QColor(255, 255, 255, 60), 1));
    p.drawLine(QPointF(base, top), QPointF(base, bottom));
}

void DrawSideBar(QPainter& p, QSize size) {
    const qreal w = size.width();
    const qreal h = size.height();
    QLinearGradient fill(0, 0, 0, h);
    fill.setColorAt(0.0, kNavyDark);
    fill.setColorAt(0.5, kNavy);
    fill.setColorAt(1.0, kNavyDark);
    p.fillRect(QRectF(0, 0, w, h), fill);
    QLinearGradient sheen(0, 0, w, 0);
    sheen.setColorAt(0.0, QColor(255, 255, 255, 0));
    sheen.setColorAt(0.7, QColor(255, 255, 255, 28));
    sheen.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillRect(QRectF(0, 0, w, h), sheen);

    const qreal coilRadius = w * 0.3;
    const qreal coilY = coilRadius + 10;
    DrawCoil(p, QPointF(w / 2.0, coilY), coilRadius);

    const QFont label = ArtFont(w > 40 ? 10 : 9, QFont::Bold, 2.0);
    const QString text = QStringLiteral("TIME-DOMAIN EM");
    const qreal textLength = QFontMetricsF(label).horizontalAdvance(text);
    const qreal textBottom = h - 22;

    DrawTransients(p, w * 0.28, w * 0.78, coilY + coilRadius + 12, textBottom - textLength - 14);

    p.save();
    p.translate(w / 2.0 + QFontMetricsF(label).capHeight() / 2.0, textBottom);
    p.rotate(-90);
    p.setFont(label);
    p.setPen(QColor(255, 255, 255, 230));
    p.drawText(QPointF(0, 0), text);
    p.restore();

    // Power lamp.
    p.setPen(Qt::NoPen);
    p.setBrush(kSignalRed);
    p.drawRoundedRect(QRectF(w / 2.0 - 3, h - 13, 6, 6), 1.5, 1.5);
    p.setPen(QPen(QColor(255, 255, 255, 90), 1));
    p.drawLine(QPointF(w - 0.5, 0), QPointF(w - 0.5, h));
}

void DrawTitlePortrait(QPainter& p, QSize size) {
    const QFont big = ArtFont(26, QFont::Black);
    p.setFont(big);
    p.setPen(QColor(255, 255, 255, 160));
    p.drawText(QPointF(1, 23), QStringLiteral("TM47KVB"));
    p.setPen(kTitleNavy);
    p.drawText(QPointF(0, 22), QStringLiteral("TM47KVB"));
    p.fillRect(QRectF(0, 26, 32, 3), kSignalRed);
    p.fillRect(QRectF(35, 27, size.width() - 35, 1), kTitleNavy);
    p.setFont(ArtFont(9, QFont::Bold, 1.6));
    p.setPen(kInk);
    p.drawText(QPointF(0, 39), QStringLiteral("FIELD DATA LOGGER"));
}

void DrawTitleLandscape(QPainter& p, QSize size) {
    p.setFont(ArtFont(34, QFont::Black));
    p.setPen(QColor(255, 255, 255, 160));
    p.drawText(QPointF(1, 33), QStringLiteral("TM47"));
    p.setPen(kTitleNavy);
    p.drawText(QPointF(0, 32), QStringLiteral("TM47"));
    p.setFont(ArtFont(24, QFont::Black, 3.0));
    p.setPen(kSignalRed);
    p.drawText(QPointF(1, 58), QStringLiteral("KVB"));
    p.fillRect(QRectF(0, 65, size.width(), 1), kTitleNavy);
    p.fillRect(QRectF(0, 64, 28, 3), kSignalRed);
    p.setFont(ArtFont(8, QFont::Bold, 1.5));
    p.setPen(kInk);
    p.drawText(QPointF(0, 79), QStringLiteral("FIELD DATA LOGGER"));
}

void DrawFootPortrait(QPainter& p, QSize size) {
    QLinearGradient rule(0, 0, size.width(), 0);
    rule.setColorAt(0.0, kTitleNavy);
    rule.setColorAt(1.0, QColor(0x10, 0x30, 0x6a, 0));
    p.fillRect(QRectF(0, 1, size.width(), 1), rule);
    p.setFont(ArtFont(8, QFont::Bold, 1.4));
    p.setPen(kInk);
    p.drawText(QRectF(0, 3, size.width(), size.height() - 3), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("TIME-DOMAIN EM SURVEY"));
}

// A small decay plot: the answer after turn-off on a linear time axis, sampled by the four
// channel gates.
void DrawFootLandscape(QPainter& p, QSize size) {
    const qreal w = size.width();
    const QRectF plot(4, 3, w - 8, 30);
    p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.drawLine(plot.bottomLeft(), plot.topLeft());
    for (int i = 1; i < 6; ++i) {
        const qreal x = plot.left() + plot.width() * i / 6.0;
        p.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() - 2));
    }
    QPainterPath decay;
    auto at = [&](qreal t) {
        return QPointF(plot.left() + 2 + t * (plot.width() - 4),
                       plot.bottom() - 2 - (plot.height() - 4) * std::exp(-4.0 * t));
    };
    decay.moveTo(at(0));
    for (int k = 1; k <= 40; ++k) {
        decay.lineTo(at(k / 40.0));
    }
    p.setPen(QPen(kTitleNavy, 1.6));
    p.drawPath(decay);
    for (int g = 0; g < 4; ++g) {
        const QPointF point = at(0.1 + 0.22 * g);
        p.setPen(QPen(Qt::white, 1));
        p.setBrush(kChannel[g]);
        p.drawEllipse(point, 2.6, 2.6);
    }
    p.setBrush(Qt::NoBrush);
    p.setFont(ArtFont(8, QFont::Bold, 1.4));
    p.setPen(kInk);
    p.drawText(QRectF(0, 36, w, 12), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("TIME-DOMAIN EM"));
}

} // namespace

void DrawAppIcon(QPainter& p, qreal side) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(side / 64.0, side / 64.0);
    QLinearGradient fill(0, 0, 0, 64);
    fill.setColorAt(0.0, kNavy);
    fill.setColorAt(1.0, kNavyDark);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
    DrawCoil(p, QPointF(22, 22), 15);

    // The ground's answer after turn-off, sampled by the four channel gates.
    QPainterPath decay;
    auto at = [](qreal t) { return QPointF(10 + t * 46, 56 - 22 * std::exp(-4.0 * t)); };
    decay.moveTo(at(0));
    for (int k = 1; k <= 32; ++k) {
        decay.lineTo(at(k / 32.0));
    }
    p.setPen(QPen(kCyan, 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(decay);
    for (int g = 0; g < 4; ++g) {
        p.setPen(QPen(Qt::white, 0.8));
        p.setBrush(kChannel[g].lighter(g == 0 ? 170 : 120));
        p.drawEllipse(at(0.1 + 0.22 * g), 3.0, 3.0);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kSignalRed);
    p.drawRoundedRect(QRectF(48, 9, 7, 7), 1.5, 1.5);
    p.restore();
}

QSize BitmapSize(std::string_view name) {
    if (name == kBitmapSideBarPortrait) {
        return {46, 320};
    }
    if (name == kBitmapSideBarLandscape) {
        return {34, 240};
    }
    if (name == kBitmapTitlePortrait) {
        return {160, 40};
    }
    if (name == kBitmapTitleLandscape) {
        return {116, 84};
    }
    if (name == kBitmapFootPortrait) {
        return {160, 18};
    }
    if (name == kBitmapFootLandscape) {
        return {116, 48};
    }
    return {};
}

QPixmap LoadBitmap(std::string_view name, qreal devicePixelRatio) {
    const QSize size = BitmapSize(name);
    if (size.isEmpty()) {
        return {};
    }
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    if (name == kBitmapSideBarPortrait || name == kBitmapSideBarLandscape) {
        DrawSideBar(p, size);
    } else if (name == kBitmapTitlePortrait) {
        DrawTitlePortrait(p, size);
    } else if (name == kBitmapTitleLandscape) {
        DrawTitleLandscape(p, size);
    } else if (name == kBitmapFootPortrait) {
        DrawFootPortrait(p, size);
    } else {
        DrawFootLandscape(p, size);
    }
    return pixmap;
}

} // namespace tm47
