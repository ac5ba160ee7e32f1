#include "Controls/TextView.h"

#include <cmath>

#include <QFontMetricsF>
#include <QPainter>

#include "Controls/TextWidths.h"

namespace {
constexpr int unbounded = 1 << 20;
}

TextView::TextView(const QString& text, QFont font, Tint tint, Mode mode, QWidget* parent)
    : QWidget(parent), text_(text), font_(std::move(font)), tint_(tint), mode_(mode) {
    if (mode_ == Mode::wrap) {
        // A wrapped text is as tall as its width makes it.
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
    } else {
        setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    }
    setAccessibleName(text_);
    measure();
}

void TextView::measure() {
    const QFontMetricsF metrics(font_);
    measured_ = QSizeF(TextWidths::advance(font_, text_), metrics.height());
}

void TextView::setText(const QString& text) {
    if (text_ == text) return;
    text_ = text;
    setAccessibleName(text_);
    measure();
    updateGeometry();
    update();
}

void TextView::setTint(Tint tint) {
    if (tint_ == tint) return;
    tint_ = tint;
    update();
}

void TextView::setMinimumTextWidth(int width) {
    minimumTextWidth_ = std::max(0, width);
    updateGeometry();
}

void TextView::setHorizontalAlignment(Qt::Alignment alignment) {
    horizontal_ = alignment & Qt::AlignHorizontal_Mask;
    update();
}

void TextView::setVerticalAlignment(Qt::Alignment alignment) {
    vertical_ = alignment & Qt::AlignVertical_Mask;
    update();
}

QString TextView::shownText() const {
    if (mode_ == Mode::wrap) return text_;
    if (measured_.width() <= width()) return text_;
    const QFontMetricsF metrics(font_);
    return metrics.elidedText(text_, mode_ == Mode::elideMiddle ? Qt::ElideMiddle : Qt::ElideRight, width());
}

QSize TextView::sizeHint() const {
    const int width = int(std::ceil(measured_.width()));
    if (mode_ == Mode::wrap) return {width, heightForWidth(width)};
    return {std::max(width, minimumTextWidth_), int(std::ceil(measured_.height()))};
}

QSize TextView::minimumSizeHint() const {
    return {mode_ == Mode::wrap ? 0 : minimumTextWidth_, int(std::ceil(measured_.height()))};
}

int TextView::heightForWidth(int width) const {
    if (mode_ != Mode::wrap) return int(std::ceil(measured_.height()));
    const QFontMetricsF metrics(font_);
    const QRectF box = metrics.boundingRect(QRectF(0, 0, std::max(width, 1), unbounded), Qt::TextWordWrap, text_);
    return int(std::ceil(std::max(box.height(), metrics.height())));
}

void TextView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font_);
    painter.setPen(textColor());
    if (mode_ == Mode::wrap) {
        painter.drawText(QRectF(rect()), horizontal_ | Qt::AlignTop | Qt::TextWordWrap, text_);
        return;
    }
    painter.drawText(QRectF(rect()), horizontal_ | vertical_ | Qt::TextSingleLine, shownText());
}
