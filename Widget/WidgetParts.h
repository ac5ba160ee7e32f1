#pragma once
// The small pieces the widget is drawn with: a line of text, the count pill, a symbol image and a
// plain symbol button. Each paints itself in a Theme colour resolved for its own palette, so the
// whole widget follows the appearance. Main thread only.

#include <QAbstractButton>
#include <QFont>
#include <QString>
#include <QWidget>

#include <string>
#include <type_traits>
#include <utility>

#include "Shared/Brand/Palette.h"

// One line of text in one font and colour. Too narrow for it, the line ends in "…".
class TextLine : public QWidget {
    Q_OBJECT
public:
    TextLine(QFont font, ThemeColor color, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return text_; }
    QFont font() const { return font_; }
    ThemeColor color() const { return color_; }
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

// How strongly a pressed plain button's content shows.
inline constexpr qreal pressedOpacity = 0.55;

// A symbol image (Icons.h) as text of a font size shows it: in a square box a little wider than
// the size, as symbols run, in one colour.
struct Symbol {
    std::string name;
    qreal fontSize = 0;
    ThemeColor color = ThemeColor::ink;

    QSize size() const;
    // Over the whole widget, at this opacity.
    void paint(QWidget& on, qreal opacity = 1) const;
};

// A widget showing only a symbol image, at the symbol's size: on a plain widget an image
// (SymbolImage), on a button a plain-style button that dims while pressed (SymbolButton).
template <typename Base>
class SymbolWidget : public Base {
public:
    explicit SymbolWidget(Symbol symbol, QWidget* parent = nullptr) : Base(parent), symbol_(std::move(symbol)) {
        this->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    const Symbol& symbol() const { return symbol_; }
    QSize sizeHint() const override { return symbol_.size(); }

protected:
    void paintEvent(QPaintEvent*) override {
        bool pressed = false;
        if constexpr (std::is_base_of_v<QAbstractButton, Base>) pressed = this->isDown();
        symbol_.paint(*this, pressed ? pressedOpacity : 1);
    }

private:
    Symbol symbol_;
};

using SymbolImage = SymbolWidget<QWidget>;
using SymbolButton = SymbolWidget<QAbstractButton>;
