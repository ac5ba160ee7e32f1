#include "Widget/WidgetParts.h"

#include <cmath>

#include <QPainter>

#include "Look/Icons.h"
#include "Look/Theme.h"

TextView* makeTextLine(const QFont& font, ThemeColor color, QWidget* parent) {
    auto* line = new TextView(QString(), font, Tint::of(color), TextView::Mode::elideEnd, parent);
    line->setVerticalAlignment(Qt::AlignTop);
    return line;
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
