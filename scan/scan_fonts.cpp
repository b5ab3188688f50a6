#include "scan/scan_fonts.h"

#include <QFontDatabase>
#include <QFontInfo>

namespace scanfonts {

QFont dialogFont() {
    QFont font(QStringLiteral("Liberation Sans"), 8);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QFont valueBoxFont() {
    QFont font(QStringLiteral("Liberation Mono"), 10, QFont::Bold);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch()) {
        // No such family: the system's fixed font, still bold and 10 point.
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSize(10);
        font.setBold(true);
    }
    return font;
}

}  // namespace scanfonts
