#pragma once
// A style for one menu that sets the product word of an item's title in the brand typeface (same
// size, regular weight) and the rest in the menu's font: "Quit Vellumark". Highlight, tick and
// shortcut text stay the desktop style's own: the style first lets its base draw the item into a
// recorder to learn where and in which font and colour the title goes, then draws the item without
// its title and sets the title there in runs. The item is widened by what the brand face needs
// more. Main thread only.

#include <QProxyStyle>

class BrandWordMenuStyle : public QProxyStyle {
    Q_OBJECT
public:
    BrandWordMenuStyle();

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
};
