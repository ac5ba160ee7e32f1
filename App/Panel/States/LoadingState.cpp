#include "App/Panel/States/LoadingState.h"

#include <QPainter>
#include <QVariantAnimation>

#include <cmath>
#include <numbers>

#include "Look/Theme.h"

namespace {

constexpr int rows = 3;
constexpr int rowHeight = 24;
constexpr int rowSpacing = 8;
constexpr int barHeight = 11;
constexpr QMargins padding(12, 10, 12, 14);
constexpr double dimmest = 0.4;
constexpr int halfBreath = 800;  // ms from full to dimmest, eased in and out

}  // namespace

LoadingState::LoadingState(std::function<bool()> reduceMotion, QWidget* parent)
    : QWidget(parent), reduceMotion_(std::move(reduceMotion)), pulse_(new QVariantAnimation(this)) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Loading"));
    // A cosine over a full breath eases in and out at both ends, and reverses by itself.
    pulse_->setStartValue(0.0);
    pulse_->setEndValue(1.0);
    pulse_->setDuration(2 * halfBreath);
    pulse_->setLoopCount(-1);
    connect(pulse_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        const double phase = value.toDouble();
        opacity_ = dimmest + (1.0 - dimmest) * (1.0 + std::cos(2 * std::numbers::pi * phase)) / 2.0;
        update();
    });
}

bool LoadingState::isPulsing() const { return pulse_->state() == QAbstractAnimation::Running; }

QSize LoadingState::sizeHint() const {
    return {0, padding.top() + rows * rowHeight + (rows - 1) * rowSpacing + padding.bottom()};
}

void LoadingState::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!reduceMotion_ || !reduceMotion_()) pulse_->start();
}

void LoadingState::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    pulse_->stop();
    opacity_ = 1.0;
}

void LoadingState::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    QColor bar = Theme::color(ThemeColor::chipBg, *this);
    bar.setAlphaF(float(bar.alphaF() * opacity_));
    painter.setBrush(bar);
    const int left = padding.left(), right = width() - padding.right();
    for (int i = 0; i < rows; ++i) {
        const double middle = padding.top() + i * (rowHeight + rowSpacing) + rowHeight / 2.0;
        const double top = middle - barHeight / 2.0;
        // Bars of 40 and 88 on the left, 8 apart, and one of 42 at the right end.
        painter.drawRoundedRect(QRectF(left, top, 40, barHeight), 4, 4);
        painter.drawRoundedRect(QRectF(left + 40 + 8, top, 88, barHeight), 4, 4);
        painter.drawRoundedRect(QRectF(right - 42, top, 42, barHeight), 4, 4);
    }
}
