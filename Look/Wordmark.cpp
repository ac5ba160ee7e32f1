#include "Look/Wordmark.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QPainter>

#include "Look/Brand.h"
#include "Look/GhostMark.h"
#include "Look/Theme.h"

namespace {

QString wordmarkText() {
    return QString::fromUtf8(WordmarkLayout::text.data(), qsizetype(WordmarkLayout::text.size()));
}

}  // namespace

Wordmark::Wordmark(qreal size, QWidget* parent)
    : QWidget(parent), size_(size), font_(Brand::brandFont(size, QFont::DemiBold)) {
    const WordmarkLayout layout = WordmarkLayout::forSize(size_, QFontMetricsF(font_, this).capHeight());
    font_.setLetterSpacing(QFont::AbsoluteSpacing, layout.tracking);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(QString::fromUtf8(WordmarkLayout::accessibilityLabel.data(),
                                        qsizetype(WordmarkLayout::accessibilityLabel.size())));
}

Wordmark::Parts Wordmark::parts() const {
    const QFontMetricsF metrics(font_, this);
    const WordmarkLayout layout = WordmarkLayout::forSize(size_, metrics.capHeight());
    // Whichever reaches higher above the baseline, the text or the ghost's frame, sets the top;
    // whichever reaches lower sets the bottom.
    const qreal baseline = std::max(metrics.ascent(), layout.ghostBaseline);
    const qreal below = std::max(metrics.descent(), layout.ghostHeight - layout.ghostBaseline);
    const qreal textX = layout.ghostWidth + layout.spacing;
    return {
        .layout = layout,
        .ghost = QRectF(0, baseline - layout.ghostBaseline, layout.ghostWidth, layout.ghostHeight),
        .textOrigin = QPointF(textX, baseline),
        .content = QSizeF(textX + metrics.horizontalAdvance(wordmarkText()), baseline + below),
    };
}

QSize Wordmark::sizeHint() const {
    const QSizeF content = parts().content;
    return {int(std::ceil(content.width())), int(std::ceil(content.height()))};
}

QSize Wordmark::minimumSizeHint() const { return sizeHint(); }

void Wordmark::paintEvent(QPaintEvent*) {
    const Parts placed = parts();
    QPainter painter(this);
    GhostMark::paint(painter, placed.ghost, Theme::isDark(palette()));
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font_);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(placed.textOrigin, wordmarkText());
}
