#include "App/Settings/ToggleSwitch.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>

#include "App/Settings/SettingsForm.h"
#include "Look/Theme.h"

ToggleSwitch::ToggleSwitch(const QString& accessibleName, QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setAccessibleName(accessibleName);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ToggleSwitch::sizeHint() const { return {34, 20}; }

void ToggleSwitch::mirror(bool on) {
    const QSignalBlocker quiet(this);
    setChecked(on);
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = track.height() / 2;
    const bool on = isChecked();
    painter.setPen(QPen(Theme::color(ThemeColor::hairline, *this), 1));
    QColor fill = on ? Theme::color(ThemeColor::alive, *this) : Theme::color(ThemeColor::secondary, *this);
    if (!on) fill.setAlphaF(0.25f);
    if (!isEnabled()) fill.setAlphaF(fill.alphaF() * 0.5f);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, radius, radius);

    const qreal inset = 2;
    const qreal diameter = track.height() - 2 * inset;
    const qreal x = on ? track.right() - inset - diameter : track.left() + inset;
    painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter.setBrush(Theme::color(ThemeColor::thumb, *this));
    painter.drawEllipse(QRectF(x, track.top() + inset, diameter, diameter));
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-1, -1, 1, 1), radius + 1, radius + 1);
    }
}

QWidget* switchRow(const QString& label, ToggleSwitch*& control) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* text = new QLabel(label);
    text->setFont(SettingsText::body());
    control = new ToggleSwitch(label);
    layout->addWidget(text);
    layout->addStretch(1);
    layout->addWidget(control);
    return row;
}
