#include "Widget/WidgetParts.h"

#include <cmath>

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include "App/Brand/Icons.h"
#include "App/Brand/Theme.h"

namespace {

QSize ceiled(QSizeF size) { return {int(std::ceil(size.width())), int(std::ceil(size.height()))}; }

// Text drawn in a line box as tall as the font's ascent and descent, on its baseline.
void drawLine(QPainter& painter, const QRectF& box, const QFont& font, const QString& text, Qt::Alignment alignment) {
    const QFontMetricsF metrics(font, painter.device());
    qreal x = box.left();
    if (alignment & Qt::AlignRight) x = box.right() - metrics.horizontalAdvance(text);
    painter.setFont(font);
    painter.drawText(QPointF(x, box.top() + metrics.ascent()), text);
}

}  // namespace

TextLine::TextLine(QFont font, ThemeColor color, QWidget* parent)
    : QWidget(parent), font_(std::move(font)), color_(color) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void TextLine::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void TextLine::setColor(ThemeColor color) {
    if (color == color_) return;
    color_ = color;
    update();
}

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
    drawLine(painter, rect(), font_, shown, Qt::AlignLeft);
}

namespace {
constexpr qreal pillPaddingX = 8, pillPaddingY = 2;
}

CountPill::CountPill(QWidget* parent) : QWidget(parent), font_(Theme::mono(10)) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CountPill::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

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
    drawLine(painter, line, font_, text_, Qt::AlignLeft);
}

int symbolSide(qreal fontSize) { return int(std::lround(fontSize * 1.2)); }

SymbolImage::SymbolImage(std::string symbol, qreal fontSize, ThemeColor color, QWidget* parent)
    : QWidget(parent), symbol_(std::move(symbol)), fontSize_(fontSize), color_(color) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize SymbolImage::sizeHint() const { return {symbolSide(fontSize_), symbolSide(fontSize_)}; }

void SymbolImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Icons::paint(painter, rect(), symbol_, Theme::color(color_, *this));
}

SymbolButton::SymbolButton(std::string symbol, qreal fontSize, ThemeColor color, QWidget* parent)
    : QAbstractButton(parent), symbol_(std::move(symbol)), fontSize_(fontSize), color_(color) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize SymbolButton::sizeHint() const { return {symbolSide(fontSize_), symbolSide(fontSize_)}; }

void SymbolButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (isDown()) painter.setOpacity(pressedOpacity);
    Icons::paint(painter, rect(), symbol_, Theme::color(color_, *this));
}
