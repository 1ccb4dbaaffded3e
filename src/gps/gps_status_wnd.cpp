#include "gps/gps_status_wnd.h"

#include <QFontMetrics>
#include <QPainter>

#include "resources/screen_font_qt.h"

namespace tm47 {

namespace {

const QColor kLightGrey(0xC0, 0xC0, 0xC0);
const QColor kRed(255, 0, 0);
constexpr const char* kLabels[4] = {"Pos", "#", "PDOP:", "Sat:"};

} // namespace

GpsStatusWnd::GpsStatusWnd(bool portrait, QWidget* parent)
    : QWidget(parent), portrait_(portrait), normalFont_(ScreenFont(QFont::Normal)),
      boldFont_(ScreenFont(QFont::Bold)) {
    setObjectName(QStringLiteral("GpsStatusWnd"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    Reset(false);
}

void GpsStatusWnd::Reset(bool gpsEnabled) {
    gpsEnabled_ = gpsEnabled;
    cells_ = {};
    cells_[Index(GpsCell::LoggedGgaCount)].text =
        QString::fromStdString(LoggedGgaCountText(fix_ ? fix_->loggedGgaCount : 0));
    cells_[Index(GpsCell::FixQuality)].text = QStringLiteral("NO FIX");
    cells_[Index(GpsCell::Pdop)].text = QStringLiteral("N/A");
    for (GpsCell c : {GpsCell::LoggedGgaCount, GpsCell::FixQuality, GpsCell::Pdop}) {
        cells_[Index(c)].bold = true;
    }
    update();
}

void GpsStatusWnd::DrawCell(GpsCell cell, std::string_view text, GpsFont font) {
    Cell& c = cells_[Index(cell)];
    c.text = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    c.bold = font == GpsFont::Bold;
    c.red = false;
    update();
}

void GpsStatusWnd::ShowGpsWarning() {
    for (GpsCell c : {GpsCell::Spinner, GpsCell::FixQuality, GpsCell::Satellites}) {
        cells_[Index(c)].red = true;
    }
    update();
}

QRect GpsStatusWnd::CellRect(GpsCell cell) const {
    Layout();
    return rects_[Index(cell)];
}

void GpsStatusWnd::resizeEvent(QResizeEvent*) {
    Layout();
}

// Landscape: fix quality from x 110, "PDOP:" at 180, "Sat:" at 260. Portrait: the fields
// follow each other from the left with small gaps.
void GpsStatusWnd::Layout() const {
    const QFontMetrics normal(normalFont_);
    const QFontMetrics bold(boldFont_);
    const int h = height();
    const int gap = portrait_ ? 2 : 4;
    int x = 5;
    const auto label = [&](int i) {
        labels_[i] = QPoint(x, 0);
        x += normal.horizontalAdvance(QString::fromLatin1(kLabels[i])) + gap;
    };
    const auto cell = [&](GpsCell c, int w) {
        rects_[Index(c)] = QRect(x, 0, w, h);
        x += w + gap;
    };
    label(0);
    cell(GpsCell::Spinner, std::max(normal.horizontalAdvance(QLatin1Char('\\')),
                                    normal.horizontalAdvance(QLatin1Char('/'))) +
                               2);
    label(1);
    cell(GpsCell::LoggedGgaCount, bold.horizontalAdvance(QStringLiteral("00000")) + 2);
    int fixWidth = 0;
    for (const char* t : {"CODE", "DGPS", "RTK", "AGPS", "NO FIX"}) {
        fixWidth = std::max(fixWidth, bold.horizontalAdvance(QString::fromLatin1(t)));
    }
    if (!portrait_) {
        x = std::max(x, 110);
    }
    cell(GpsCell::FixQuality, fixWidth + 2);
    if (!portrait_) {
        x = std::max(x, 180);
    }
    label(2);
    cell(GpsCell::Pdop, bold.horizontalAdvance(QStringLiteral("99.9 ")) + 2);
    if (!portrait_) {
        x = std::max(x, 260);
    }
    label(3);
    cell(GpsCell::Satellites, bold.horizontalAdvance(QStringLiteral("99")) + 2);
}

void GpsStatusWnd::paintEvent(QPaintEvent*) {
    Layout();
    QPainter p(this);
    p.fillRect(rect(), kLightGrey);
    p.setPen(Qt::black);
    if (!gpsEnabled_) {
        p.setFont(normalFont_);
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("GPS  Input  disabled"));
        return;
    }
    p.setFont(normalFont_);
    for (int i = 0; i < 4; ++i) {
        p.drawText(QRect(labels_[i], QSize(width() - labels_[i].x(), height())),
                   Qt::AlignLeft | Qt::AlignTop, QString::fromLatin1(kLabels[i]));
    }
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        const Cell& c = cells_[i];
        p.fillRect(rects_[i], c.red ? kRed : kLightGrey);
        p.setFont(c.bold ? boldFont_ : normalFont_);
        p.drawText(rects_[i].adjusted(0, 0, 20, 0), Qt::AlignLeft | Qt::AlignTop, c.text);
    }
    if (WarningShown()) {
        const QRect fix = rects_[Index(GpsCell::FixQuality)];
        p.setFont(boldFont_);
        p.drawText(QRect(fix.left() + 5, fix.top() + 1, width(), height()),
                   Qt::AlignLeft | Qt::AlignTop, QStringLiteral("GPS!"));
    }
}

} // namespace tm47
