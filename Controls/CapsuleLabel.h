#pragma once
// A small mark on a capsule: an optional icon and a short text in one colour, on a fill (mostly of
// that colour's family at a low opacity). The panel rows' "NEW", "container" and energy marks, the
// "restarted" pill, and the server count of the panel and of the widget. It never shrinks below its
// content. Main thread only.

#include <string>

#include <QFont>
#include <QMarginsF>
#include <QWidget>

#include "Controls/Tint.h"

class CapsuleLabel : public QWidget {
    Q_OBJECT
public:
    struct Look {
        QFont font{};  // with its letter spacing
        Tint text{};
        Tint fill{};
        QMarginsF padding{};
        std::string icon{};  // none when empty
        qreal iconSide = 0;
        qreal iconSpacing = 0;
    };

    CapsuleLabel(const QString& text, Look look, QWidget* parent = nullptr);

    const QString& text() const { return text_; }
    void setText(const QString& text);
    const Look& look() const { return look_; }
    QColor textColor() const { return look_.text.resolve(palette()); }
    QColor fillColor() const { return look_.fill.resolve(palette()); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // The size of a capsule with that text and look, and its drawing: shared with views that paint
    // a capsule among other things.
    static QSizeF measure(const QString& text, const Look& look);
    static void paint(QPainter& painter, const QRectF& bounds, const QString& text, const Look& look,
                      const QPalette& palette);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    Look look_;
    QSize size_;
};
