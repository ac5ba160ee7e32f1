#include "App/Panel/Controls/TextButton.h"
#include "Controls/TextWidths.h"

#include <cmath>

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

TextButton::TextButton(const QString& title, Look look, QWidget* parent) : HoverButton(parent), look_(std::move(look)) {
    setText(title);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TextButton::setLook(const Look& look) {
    if (look_ == look) return;
    look_ = look;
    measured_ = QSizeF(-1, -1);
    updateGeometry();
    update();
}

void TextButton::setUnderlined(bool underlined) {
    if (underlined_ == underlined) return;
    underlined_ = underlined;
    update();
}

QColor TextButton::textColor() const {
    if (!isEnabled() && look_.disabledText) return look_.disabledText->resolve(palette());
    if (isEnabled() && isHovered() && look_.hoveredText) return look_.hoveredText->resolve(palette());
    return look_.text.resolve(palette());
}

QColor TextButton::fillColor() const {
    const bool hovered = isEnabled() && isHovered();
    return (hovered && look_.hoveredFill ? *look_.hoveredFill : look_.fill).resolve(palette());
}

QColor TextButton::strokeColor() const {
    const bool hovered = isEnabled() && isHovered();
    return (hovered && look_.hoveredStroke ? *look_.hoveredStroke : look_.stroke).resolve(palette());
}

QFont TextButton::drawnFont() const {
    QFont font = look_.font;
    font.setUnderline(underlined_);
    return font;
}

QSize TextButton::sizeHint() const {
    if (measured_.width() < 0 || measuredTitle_ != text()) {
        const QFontMetricsF metrics(look_.font);
        measuredTitle_ = text();
        measured_ = QSizeF(TextWidths::advance(look_.font, measuredTitle_), metrics.height());
    }
    const qreal width = measured_.width() + look_.padding.left() + look_.padding.right();
    const qreal height = measured_.height() + look_.padding.top() + look_.padding.bottom();
    return {int(std::ceil(width)), int(std::ceil(height))};
}

void TextButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor fill = fillColor();
    const QColor stroke = strokeColor();
    if (fill.alpha() > 0 || stroke.alpha() > 0) {
        // The stroke lies inside the edge, so the label's size is its whole drawn size.
        const qreal inset = stroke.alpha() > 0 ? look_.strokeWidth / 2 : 0;
        const QRectF shape = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
        painter.setPen(stroke.alpha() > 0 ? QPen(stroke, look_.strokeWidth) : Qt::NoPen);
        painter.setBrush(fill.alpha() > 0 ? QBrush(fill) : Qt::NoBrush);
        painter.drawRoundedRect(shape, look_.radius, look_.radius);
    }
    painter.setFont(drawnFont());
    painter.setPen(textColor());
    painter.drawText(QRectF(rect()).marginsRemoved(look_.padding), Qt::AlignCenter | Qt::TextSingleLine, text());
}

void TextButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) update();
    HoverButton::changeEvent(event);
}
