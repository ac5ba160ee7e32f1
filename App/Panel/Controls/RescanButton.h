#pragma once
// The header's rescan button: a circular arrow that turns, a full turn every 0.8 s, while the
// owner's scan runs. clicked() is its action; it stays enabled while spinning (the owner ignores
// extra clicks). When spinning ends the arrow settles back to rest by the shorter way round and
// stops. Main thread only.

#include "App/Panel/Controls/IconButton.h"

class QVariantAnimation;

class RescanButton : public IconButton {
    Q_OBJECT
public:
    explicit RescanButton(QWidget* parent = nullptr);

    void setSpinning(bool spinning);
    bool isSpinning() const { return spinning_; }
    // The arrow's rotation in degrees, 0 at rest.
    qreal angle() const { return angle_; }
    // Whether an animation (the endless turn or the settling) is running.
    bool isAnimating() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setAngle(qreal degrees);

    bool spinning_ = false;
    qreal angle_ = 0;
    QVariantAnimation* turn_;
};
