#include "platform/fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QString>

namespace platform {

namespace {

bool named(const QString& name, const char* candidate) {
    return name.compare(QLatin1String(candidate), Qt::CaseInsensitive) == 0;
}

QFont monospaceFont(int pointSize, bool bold) {
    QFont font(QStringLiteral("Liberation Mono"), pointSize);
    if (bold) font.setBold(true);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch()) {
        // No such family here: the system's fixed font, at the size and weight asked for.
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSize(pointSize);
        if (bold) font.setBold(true);
    }
    return font;
}

}  // namespace

QFont mappedFont(const char* designName, int pointSize, bool bold) {
    const QString name = QString::fromUtf8(designName ? designName : "");
    if (named(name, "Terminal")) return monospaceFont(pointSize, bold);

    const bool serif = named(name, "Times New Roman");
    QFont font(serif ? QStringLiteral("Liberation Serif") : QStringLiteral("Liberation Sans"), pointSize);
    font.setStyleHint(serif ? QFont::Serif : QFont::SansSerif);
    // Weight only when asked for, so that a plain font leaves it to the widget's own.
    if (bold) font.setBold(true);
    return font;
}

QFont dialogFont() { return mappedFont("MS Sans Serif", 8); }

}  // namespace platform
