#pragma once
// A plain button whose label is one icon image fitted into a square, centred in a frame whose whole
// rectangle takes clicks: the rows' action buttons, the cancel buttons, the search field's clear
// button. Its tint follows its state; subclasses with more state decide the tint themselves.
// Main thread only.

#include <optional>
#include <string>

#include <QSize>
#include <QSizeF>

#include "App/Panel/Controls/HoverButton.h"
#include "App/Panel/Controls/PanelStyle.h"

class IconButton : public HoverButton {
    Q_OBJECT
public:
    struct Tints {
        Tint normal{};
        std::optional<Tint> hovered{};   // while hovered (and enabled)
        std::optional<Tint> disabled{};  // while disabled
    };

    IconButton(std::string iconName, QSizeF iconSize, QSize frame, Tints tints, QWidget* parent = nullptr);

    const std::string& iconName() const { return iconName_; }
    // The tint as drawn now.
    virtual Tint currentTint() const;
    QColor iconColor() const { return currentTint().resolve(palette()); }

    // Tool tip and accessible name in one (most of the panel's buttons say the same in both).
    void setHelp(const QString& help, const QString& accessibleName);

    QSize sizeHint() const override { return frame_; }
    QSize minimumSizeHint() const override { return frame_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    QRectF iconRect() const;

private:
    std::string iconName_;
    QSizeF iconSize_;
    QSize frame_;
    Tints tints_;
};
