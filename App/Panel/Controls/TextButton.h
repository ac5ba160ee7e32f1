#pragma once
// A plain button whose label is a text on an optional rounded rectangle: the panel's text buttons
// (the stop confirmations, "Stop all", the warning card's answers, the ghost rows' "retry" and
// "dismiss", a row's port). Its look is a value, so one builder can make the same label for
// several places (see ButtonLooks.h). Main thread only.

#include <optional>

#include <QFont>
#include <QMarginsF>

#include "App/Panel/Controls/HoverButton.h"
#include "App/Panel/Controls/PanelStyle.h"

class TextButton : public HoverButton {
    Q_OBJECT
public:
    struct Look {
        QFont font{};
        QMarginsF padding{};
        qreal radius = 0;
        Tint text{};
        std::optional<Tint> hoveredText{};   // while hovered (and enabled); else `text`
        std::optional<Tint> disabledText{};  // while disabled; else `text`
        Tint fill = Tint::clear();
        std::optional<Tint> hoveredFill{};
        Tint stroke = Tint::clear();
        std::optional<Tint> hoveredStroke{};
        qreal strokeWidth = 1;
        bool operator==(const Look&) const = default;
    };

    TextButton(const QString& title, Look look, QWidget* parent = nullptr);

    const Look& look() const { return look_; }
    void setLook(const Look& look);
    // Underlines the title (the port of a hovered row).
    void setUnderlined(bool underlined);
    bool isUnderlined() const { return underlined_; }

    // The colours as drawn now, for the current hover and enabled state.
    QColor textColor() const;
    QColor fillColor() const;
    QColor strokeColor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QFont drawnFont() const;

    Look look_;
    bool underlined_ = false;
    // The title's size for the look, kept until either changes: rows ask for it on every layout.
    mutable QString measuredTitle_;
    mutable QSizeF measured_{-1, -1};
};
