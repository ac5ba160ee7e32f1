#pragma once
// The wordmark: the ghost logo standing on the baseline of the product name "vellumark", set in the
// semibold brand font. The ghost's body is one cap height tall and its feet sit on the text
// baseline; the gap is size × 0.55 and the letters are tracked by size × 0.04 (see
// Shared/Brand/WordmarkLayout.h).
//
// Drawn as one view, so that fractional sizes stay exact and assistive technology meets a single
// element named "Vellumark". The text takes the palette's foreground colour; the ghost follows the
// palette's appearance (see Theme::isDark). The view asks for exactly its content's size.

#include <QFont>
#include <QWidget>

#include "Shared/Brand/WordmarkLayout.h"

class Wordmark : public QWidget {
    Q_OBJECT
public:
    explicit Wordmark(qreal size, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The parts' places for this view's paint device, from the top left corner.
    struct Parts {
        WordmarkLayout layout;
        QRectF ghost;
        QPointF textOrigin;  // on the baseline
        QSizeF content;
    };
    Parts parts() const;

    qreal size_;
    QFont font_;  // tracked
};
