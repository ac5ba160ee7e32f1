#pragma once
// The small pieces the widget is drawn with: a line of text, the count pill, a symbol image and a
// plain symbol button. Each paints itself in a Theme colour resolved for its own palette, so the
// whole widget follows the appearance. Main thread only.

#include <QAbstractButton>
#include <QFont>
#include <QString>
#include <QWidget>

#include <string>

#include "Shared/Brand/Palette.h"

class QPainter;

// One line of text in one font and colour. Too narrow for it, the line ends in "…".
class TextLine : public QWidget {
    Q_OBJECT
public:
    TextLine(QFont font, ThemeColor color, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return text_; }
    QFont font() const { return font_; }
    ThemeColor color() const { return color_; }
    void setColor(ThemeColor color);
    // Whether the line may be drawn narrower than its text (ending in "…"); on by default.
    void setElides(bool elides);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont font_;
    ThemeColor color_;
    QString text_;
    bool elides_ = true;
};

// The server count on a continuous-corner capsule: mono 10 in the secondary colour, padded 8 by 2,
// filled with chipBg.
class CountPill : public QWidget {
    Q_OBJECT
public:
    explicit CountPill(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return text_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont font_;
    QString text_;
};

// A symbol image (Icons.h) as text of a font size shows it: in a square box a little wider than
// the size, as symbols run, in one colour.
struct Symbol {
    std::string name;
    qreal fontSize = 0;
    ThemeColor color = ThemeColor::ink;

    QSize size() const;
    void paint(QPainter& painter, const QWidget& on) const;
};

// A symbol image.
class SymbolImage : public QWidget {
    Q_OBJECT
public:
    SymbolImage(Symbol symbol, QWidget* parent = nullptr);

    const Symbol& symbol() const { return symbol_; }
    QSize sizeHint() const override { return symbol_.size(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Symbol symbol_;
};

// A plain-style button showing only a symbol image; dimmed while pressed.
class SymbolButton : public QAbstractButton {
    Q_OBJECT
public:
    SymbolButton(Symbol symbol, QWidget* parent = nullptr);

    const Symbol& symbol() const { return symbol_; }
    QSize sizeHint() const override { return symbol_.size(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Symbol symbol_;
};

// How strongly a pressed plain button's content shows.
inline constexpr qreal pressedOpacity = 0.55;
