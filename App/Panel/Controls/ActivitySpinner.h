#pragma once
// The mini progress indicator of the rows: eight spokes, one brighter than the rest, going round
// once a second. It turns only while shown, so hidden rows cost nothing. Main thread only.

#include <QWidget>

class QVariantAnimation;

class ActivitySpinner : public QWidget {
    Q_OBJECT
public:
    static constexpr int side = 12;

    explicit ActivitySpinner(QWidget* parent = nullptr);

    QSize sizeHint() const override { return {side, side}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QVariantAnimation* turn_;
    int step_ = 0;
};
