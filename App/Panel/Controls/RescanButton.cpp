#include "App/Panel/Controls/RescanButton.h"

#include <cmath>

#include <QPainter>
#include <QVariantAnimation>

#include "Look/Icons.h"

namespace {
constexpr int turnMilliseconds = 800;
constexpr int settleMilliseconds = 350;
}  // namespace

RescanButton::RescanButton(QWidget* parent)
    : IconButton("ph-arrow-clockwise-light", QSizeF(15, 15), QSize(26, 26),
                 {.normal = Tint::of(ThemeColor::secondary), .hovered = Tint::of(ThemeColor::alive)}, parent),
      turn_(new QVariantAnimation(this)) {
    setHelp(QStringLiteral("Rescan ports"), QStringLiteral("Rescan ports"));
    connect(turn_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) { setAngle(value.toReal()); });
    connect(turn_, &QVariantAnimation::finished, this, [this] {
        if (!spinning_) setAngle(0);
    });
}

void RescanButton::setSpinning(bool spinning) {
    if (spinning_ == spinning) return;
    spinning_ = spinning;
    turn_->stop();
    if (spinning_) {
        turn_->setStartValue(0.0);
        turn_->setEndValue(360.0);
        turn_->setDuration(turnMilliseconds);
        turn_->setEasingCurve(QEasingCurve::Linear);
        turn_->setLoopCount(-1);
    } else {
        const qreal from = std::fmod(angle_, 360.0);
        if (from == 0) return setAngle(0);
        turn_->setStartValue(from);
        turn_->setEndValue(from > 180 ? 360.0 : 0.0);
        turn_->setDuration(settleMilliseconds);
        turn_->setEasingCurve(QEasingCurve::InOutQuad);
        turn_->setLoopCount(1);
    }
    turn_->start();
}

bool RescanButton::isAnimating() const { return turn_->state() == QAbstractAnimation::Running; }

void RescanButton::setAngle(qreal degrees) {
    angle_ = std::fmod(degrees, 360.0);
    update();
}

void RescanButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (isHovered()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Tint::of(ThemeColor::alive, 0.1).resolve(palette()));
        painter.drawRoundedRect(QRectF(rect()), 6, 6);
    }
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.rotate(angle_);
    painter.translate(-centre);
    Icons::paint(painter, iconRect(), iconName(), iconColor());
}
