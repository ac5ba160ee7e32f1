#pragma once
// The ghost logo as a view. It fills the space it is given: the 140 by 152 grid (the ghost's 120
// by 132 with a 10-unit margin all round) is stretched to the view's width and height. The
// background stays transparent.
//
// Dark appearance: the body with open eyes in the alive-mark colour. Light appearance: a mint body
// with an ink outline (10 grid units wide, centred on the body's edge) and ink eyes.

#include <QWidget>

class QPainter;

class GhostMark : public QWidget {
    Q_OBJECT
public:
    explicit GhostMark(QWidget* parent = nullptr);

    // The design grid, one pixel per unit.
    QSize sizeHint() const override;

    // Draws the logo into `bounds` for the appearance, as the view draws itself.
    static void paint(QPainter& painter, const QRectF& bounds, bool dark);

protected:
    void paintEvent(QPaintEvent* event) override;
};
