#pragma once
// A text in one font and one tint, resolved for the appearance when drawn: either one line, cut
// short with "…" where the space runs out (at the end or in the middle), or wrapped over as many
// lines as it needs. Its accessible name is its text. Main thread only.

#include <QFont>
#include <QWidget>

#include "Controls/Tint.h"

class TextView : public QWidget {
    Q_OBJECT
public:
    enum class Mode { elideEnd, elideMiddle, wrap };

    TextView(const QString& text, QFont font, Tint tint, Mode mode = Mode::elideEnd, QWidget* parent = nullptr);

    const QString& text() const { return text_; }
    void setText(const QString& text);
    void setTint(Tint tint);
    const QFont& textFont() const { return font_; }
    QColor textColor() const { return tint_.resolve(palette()); }
    // The least width a one-line text is squeezed to (0 by default).
    void setMinimumTextWidth(int width);
    // Left by default; a wrapped text may be centred line by line.
    void setHorizontalAlignment(Qt::Alignment alignment);
    // Where a one-line text's line box sits in the height: centred by default, or at the top.
    void setVerticalAlignment(Qt::Alignment alignment);
    // The text as drawn at the current width.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return mode_ == Mode::wrap; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void measure();

    QString text_;
    QFont font_;
    Tint tint_;
    Mode mode_;
    int minimumTextWidth_ = 0;
    Qt::Alignment horizontal_ = Qt::AlignLeft;
    Qt::Alignment vertical_ = Qt::AlignVCenter;
    QSizeF measured_;  // the one-line text's own size, kept: shaping text is what rows spend most on
};
