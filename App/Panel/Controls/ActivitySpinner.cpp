#include "App/Panel/Controls/ActivitySpinner.h"

#include <cmath>
#include <numbers>

#include <QPainter>
#include <QVariantAnimation>

#include "App/Panel/Controls/PanelStyle.h"

namespace {
constexpr int spokes = 8;
}

ActivitySpinner::ActivitySpinner(QWidget* parent) : QWidget(parent), turn_(new QVariantAnimation(this)) {
    setFixedSize(side, side);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    turn_->setStartValue(0);
    turn_->setEndValue(spokes);
    turn_->setDuration(1000);
    turn_->setLoopCount(-1);
    connect(turn_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        const int step = value.toInt() % spokes;
        if (step == step_) return;
        step_ = step;
        update();
    });
}

void ActivitySpinner::showEvent(QShowEvent* event) {
    turn_->start();
    QWidget::showEvent(event);
}

void ActivitySpinner::hideEvent(QHideEvent* event) {
    turn_->stop();
    QWidget::hideEvent(event);
}

void ActivitySpinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor base = Tint::primary().resolve(palette());
    const QPointF centre = QRectF(rect()).center();
    const qreal outer = side / 2.0 - 0.75;
    const qreal inner = outer * 0.45;
    for (int spoke = 0; spoke < spokes; ++spoke) {
        // The leading spoke is darkest; those behind it fade out.
        const int behind = (step_ - spoke + spokes) % spokes;
        QColor color = base;
        color.setAlphaF(base.alphaF() * float(0.85 - 0.09 * behind));
        const qreal angle = 2 * std::numbers::pi * spoke / spokes - std::numbers::pi / 2;
        const QPointF direction(std::cos(angle), std::sin(angle));
        painter.setPen(QPen(color, 1.5, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(centre + direction * inner, centre + direction * outer);
    }
}
