#pragma once
// What the panel shows before it has read anything: three skeleton rows whose grey bars breathe
// between full and 40 % opacity, or keep still when the desktop asks for less motion. The breathing
// starts when the state is shown and runs only while it is visible. Main thread only.

#include <functional>

#include <QWidget>

class QVariantAnimation;

class LoadingState : public QWidget {
    Q_OBJECT
public:
    // `reduceMotion` is asked each time the state is shown.
    explicit LoadingState(std::function<bool()> reduceMotion, QWidget* parent = nullptr);

    bool isPulsing() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    std::function<bool()> reduceMotion_;
    double opacity_ = 1.0;
    QVariantAnimation* pulse_;
};
