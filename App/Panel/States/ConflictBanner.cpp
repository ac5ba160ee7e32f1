#include "App/Panel/States/ConflictBanner.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "App/Panel/Controls/PanelStyle.h"
#include "Look/Theme.h"

namespace {

constexpr QMargins outer(12, 0, 12, 8);   // around the banner, in the list
constexpr QMarginsF inner(10, 7, 10, 7);  // inside it
constexpr qreal dot = 6, dotSpacing = 7;

const QFont& textFont() { return PanelStyle::systemFont(11); }
const QFont& portFont() { return PanelStyle::monoFont(11, QFont::DemiBold); }

}  // namespace

ConflictBanner::ConflictBanner(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ConflictBanner::setConflict(int port, const QString& names) {
    if (port == port_ && names == names_) return;
    port_ = port;
    names_ = names;
    setAccessibleName(text());
    updateGeometry();
    update();
}

QString ConflictBanner::text() const {
    return QStringLiteral("Port :") + QString::number(port_) + QStringLiteral(" used by ") + names_;
}

QSize ConflictBanner::sizeHint() const {
    const qreal line = std::max(QFontMetricsF(textFont()).height(), QFontMetricsF(portFont()).height());
    return {0, int(std::ceil(line + inner.top() + inner.bottom())) + outer.top() + outer.bottom()};
}

QSize ConflictBanner::minimumSizeHint() const { return sizeHint(); }

void ConflictBanner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor red = Theme::color(ThemeColor::red, *this);
    const QRectF box = QRectF(rect()).marginsRemoved(QMarginsF(outer));
    QColor fill = red, border = red;
    fill.setAlphaF(0.08f);
    border.setAlphaF(0.22f);
    painter.setPen(QPen(border, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);

    QRectF content = box.marginsRemoved(inner);
    painter.setPen(Qt::NoPen);
    painter.setBrush(red);
    painter.drawEllipse(QRectF(content.left(), content.center().y() - dot / 2, dot, dot));
    content.setLeft(content.left() + dot + dotSpacing);

    // Three runs on one baseline: "Port ", ":<port>" in the monospaced face, " used by …".
    const QString runs[] = {QStringLiteral("Port "), QStringLiteral(":") + QString::number(port_),
                            QStringLiteral(" used by ") + names_};
    const QFont* fonts[] = {&textFont(), &portFont(), &textFont()};
    const qreal ascent = std::max(QFontMetricsF(textFont()).ascent(), QFontMetricsF(portFont()).ascent());
    const qreal descent = std::max(QFontMetricsF(textFont()).descent(), QFontMetricsF(portFont()).descent());
    const qreal baseline = content.center().y() + (ascent - descent) / 2;
    painter.setPen(red);
    qreal x = content.left();
    for (int i = 0; i < 3; ++i) {
        const QFontMetricsF metrics(*fonts[i]);
        const qreal room = content.right() - x;
        if (room <= 0) break;
        const QString shown =
            metrics.horizontalAdvance(runs[i]) <= room ? runs[i] : metrics.elidedText(runs[i], Qt::ElideRight, room);
        painter.setFont(*fonts[i]);
        painter.drawText(QPointF(x, baseline), shown);
        if (shown != runs[i]) break;
        x += metrics.horizontalAdvance(runs[i]);
    }
}
