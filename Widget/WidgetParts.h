#pragma once
// The widget's own pieces: its lines of text (shared TextViews) and its symbols, a symbol image and
// a plain symbol button, each painted in a Theme colour resolved for its own palette, so that they
// follow the appearance. Main thread only.

#include <QAbstractButton>
#include <QWidget>

#include <string>
#include <type_traits>
#include <utility>

#include "Controls/TextView.h"
#include "Shared/Brand/Palette.h"

// One line of text in one font and Theme colour, its line box at the top of its height; too narrow
// for it, the line ends in "…".
TextView* makeTextLine(const QFont& font, ThemeColor color, QWidget* parent = nullptr);

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
