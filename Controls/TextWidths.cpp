#include "Controls/TextWidths.h"

#include <QFontMetricsF>
#include <QHash>

namespace TextWidths {

qreal advance(const QFont& font, const QString& text) {
    // Enough for every figure a few hundred rows show; emptied rather than grown past it.
    constexpr qsizetype limit = 4096;
    static QHash<QFont, QHash<QString, qreal>> widths;  // by font, then text
    QHash<QString, qreal>& inFont = widths[font];
    if (const auto found = inFont.constFind(text); found != inFont.constEnd()) return *found;
    if (inFont.size() >= limit) inFont.clear();
    return inFont[text] = QFontMetricsF(font).horizontalAdvance(text);
}

}  // namespace TextWidths
