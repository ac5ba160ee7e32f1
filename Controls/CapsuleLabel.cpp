#include "Controls/CapsuleLabel.h"

#include <cmath>

#include <QFontMetricsF>
#include <QPainter>

#include "Controls/TextWidths.h"
#include "Look/Icons.h"

CapsuleLabel::CapsuleLabel(const QString& text, Look look, QWidget* parent) : QWidget(parent), look_(std::move(look)) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setText(text);
}

void CapsuleLabel::setText(const QString& text) {
    if (text == text_ && !size_.isEmpty()) return;
    text_ = text;
    setAccessibleName(text_);
    const QSizeF size = measure(text_, look_);
    size_ = QSize(int(std::ceil(size.width())), int(std::ceil(size.height())));
    updateGeometry();
    update();
}

QSizeF CapsuleLabel::measure(const QString& text, const Look& look) {
    const QFontMetricsF metrics(look.font);
    qreal width = TextWidths::advance(look.font, text) + look.padding.left() + look.padding.right();
    qreal height = metrics.height();
    if (!look.icon.empty()) {
        width += look.iconSide + look.iconSpacing;
        height = std::max(height, look.iconSide);
    }
    return {width, height + look.padding.top() + look.padding.bottom()};
}

void CapsuleLabel::paint(QPainter& painter, const QRectF& bounds, const QString& text, const Look& look,
                         const QPalette& palette) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal radius = bounds.height() / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(look.fill.resolve(palette));
    painter.drawRoundedRect(bounds, radius, radius);

    const QColor color = look.text.resolve(palette);
    QRectF content = bounds.marginsRemoved(look.padding);
    if (!look.icon.empty()) {
        const QRectF icon(content.left(), content.center().y() - look.iconSide / 2, look.iconSide, look.iconSide);
        Icons::paint(painter, icon, look.icon, color);
        content.setLeft(icon.right() + look.iconSpacing);
    }
    painter.setFont(look.font);
    painter.setPen(color);
    painter.drawText(content, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    painter.restore();
}

QSize CapsuleLabel::sizeHint() const { return size_; }

void CapsuleLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, QRectF(rect()), text_, look_, palette());
}
