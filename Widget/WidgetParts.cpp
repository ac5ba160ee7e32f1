#include "Widget/WidgetParts.h"

#include <cmath>

#include <QFontMetricsF>
#include <QPainter>

#include "App/Brand/Icons.h"
#include "App/Brand/Theme.h"

namespace {

QSize ceiled(QSizeF size) { return {int(std::ceil(size.width())), int(std::ceil(size.height()))}; }

// Text drawn in a line box as tall as the font's ascent and descent, on its baseline.
void drawLine(QPainter& painter, const QRectF& box, const QFont& font, const QString& text) {
    const QFontMetricsF metrics(font, painter.device());
    painter.setFont(font);
    painter.drawText(QPointF(box.left(), box.top() + metrics.ascent()), text);
}

// A shown text that changed: the widget's size and picture follow, and assistive technology reads it.
void replaceText(QWidget& widget, QString& shown, const QString& text) {
    if (text == shown) return;
    shown = text;
    widget.setAccessibleName(text);
    widget.updateGeometry();
    widget.update();
}

}  // namespace

TextLine::TextLine(QFont font, ThemeColor color, QWidget* parent)
    : QWidget(parent), font_(std::move(font)), color_(color) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void TextLine::setText(const QString& text) { replaceText(*this, text_, text); }

void TextLine::setElides(bool elides) {
    elides_ = elides;
    updateGeometry();
}

QSize TextLine::sizeHint() const {
    const QFontMetricsF metrics(font_, this);
    return ceiled({metrics.horizontalAdvance(text_), metrics.height()});
}

QSize TextLine::minimumSizeHint() const {
    if (!elides_) return sizeHint();
    const QFontMetricsF metrics(font_, this);
    return ceiled({std::min(metrics.horizontalAdvance(text_), metrics.horizontalAdvance(QStringLiteral("…"))),
                   metrics.height()});
}

void TextLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Theme::color(color_, *this));
    const QFontMetricsF metrics(font_, this);
    const QString shown = metrics.horizontalAdvance(text_) <= width() ? text_
                                                                      : metrics.elidedText(text_, Qt::ElideRight, width());
    drawLine(painter, rect(), font_, shown);
}

namespace {
constexpr qreal pillPaddingX = 8, pillPaddingY = 2;
}

CountPill::CountPill(QWidget* parent) : QWidget(parent), font_(Theme::mono(10)) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CountPill::setText(const QString& text) { replaceText(*this, text_, text); }

QSize CountPill::sizeHint() const {
    const QFontMetricsF metrics(font_, this);
    return ceiled({metrics.horizontalAdvance(text_) + 2 * pillPaddingX, metrics.height() + 2 * pillPaddingY});
}

void CountPill::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF box = rect();
    const qreal radius = box.height() / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::color(ThemeColor::chipBg, *this));
    painter.drawRoundedRect(box, radius, radius);
    painter.setPen(Theme::color(ThemeColor::secondary, *this));
    const QFontMetricsF metrics(font_, this);
    const QRectF line((box.width() - metrics.horizontalAdvance(text_)) / 2, (box.height() - metrics.height()) / 2,
                      metrics.horizontalAdvance(text_), metrics.height());
    drawLine(painter, line, font_, text_);
}

QSize Symbol::size() const {
    const int side = int(std::lround(fontSize * 1.2));
    return {side, side};
}

void Symbol::paint(QWidget& on, qreal opacity) const {
    QPainter painter(&on);
    painter.setOpacity(opacity);
    Icons::paint(painter, on.rect(), name, Theme::color(color, on));
}
