// Build tool: writes the program's icon from the menu artwork, as PNG files of the sizes given
// and as SVG. Usage: tm47_make_icon OUTDIR SIZE...   (writes OUTDIR/tm47logger-SIZE.png and
// OUTDIR/tm47logger.svg)

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <cstdio>
#include <cstdlib>

#include "resources/bitmaps_qt.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: tm47_make_icon OUTDIR SIZE...\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (int i = 2; i < argc; ++i) {
        const int side = std::atoi(argv[i]);
        if (side <= 0) {
            std::fprintf(stderr, "tm47_make_icon: bad size %s\n", argv[i]);
            return 2;
        }
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        tm47::DrawAppIcon(p, side);
        p.end();
        const QString path = out.filePath(QStringLiteral("tm47logger-%1.png").arg(side));
        if (!image.save(path, "PNG")) {
            std::fprintf(stderr, "tm47_make_icon: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    QSvgGenerator svg;
    svg.setFileName(out.filePath(QStringLiteral("tm47logger.svg")));
    svg.setSize(QSize(64, 64));
    svg.setViewBox(QRect(0, 0, 64, 64));
    svg.setTitle(QStringLiteral("tm47logger"));
    QPainter p;
    if (!p.begin(&svg)) {
        std::fprintf(stderr, "tm47_make_icon: cannot write the SVG icon\n");
        return 1;
    }
    tm47::DrawAppIcon(p, 64);
    p.end();
    return 0;
}
