#include "resources/screen_font_qt.h"

#include <QFontMetrics>
#include <QStringList>

namespace tm47 {

QFont ScreenFont(QFont::Weight weight) {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arimo"), QStringLiteral("Nimbus Sans"),
                      QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(weight);
    // The largest pixel size whose text height fits the cell; both weights share the size of
    // the normal one so that labels and values line up.
    QFont normal = font;
    normal.setWeight(QFont::Normal);
    int size = kScreenFontHeight;
    for (; size > 6; --size) {
        normal.setPixelSize(size);
        if (QFontMetrics(normal).height() <= kScreenFontHeight) {
            break;
        }
    }
    font.setPixelSize(size);
    return font;
}

} // namespace tm47
