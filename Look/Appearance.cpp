#include "Look/Appearance.h"

#include <QApplication>
#include <QStyle>

#include "Look/Theme.h"

namespace Appearance {

void followDesktop(QApplication& application) {
    auto* portal = new Platform::ColorSchemePortal(&application);
    const QPalette started = QApplication::palette();
    QObject::connect(
        portal, &Platform::ColorSchemePortal::schemeChanged, &application,
        [started](Platform::ColorSchemePortal::Scheme scheme) {
            QApplication::setPalette(paletteFor(scheme, started, QApplication::style()->standardPalette()));
        });
}

QPalette paletteFor(Platform::ColorSchemePortal::Scheme scheme, const QPalette& started, const QPalette& standard) {
    using Scheme = Platform::ColorSchemePortal::Scheme;
    switch (scheme) {
    case Scheme::noPreference: return started;
    case Scheme::dark: return Theme::isDark(started) ? started : darkPalette();
    case Scheme::light: return Theme::isDark(started) ? standard : started;
    }
    return started;
}

QPalette darkPalette() {
    const QColor ink = Theme::color(ThemeColor::ink, true);
    const QColor faint = Theme::color(ThemeColor::faint, true);
    QPalette palette(QColor(0x2C, 0x2E, 0x2D), QColor(0x15, 0x17, 0x16));  // button, window
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, ink);
        palette.setColor(group, QPalette::Text, ink);
        palette.setColor(group, QPalette::ButtonText, ink);
        palette.setColor(group, QPalette::PlaceholderText, Theme::color(ThemeColor::muted, true));
    }
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, faint);
    palette.setColor(QPalette::Base, QColor(0x1F, 0x21, 0x20));
    palette.setColor(QPalette::AlternateBase, QColor(0x26, 0x28, 0x27));
    palette.setColor(QPalette::ToolTipBase, QColor(0x2C, 0x2E, 0x2D));
    palette.setColor(QPalette::ToolTipText, ink);
    palette.setColor(QPalette::BrightText, Theme::color(ThemeColor::red, true));
    palette.setColor(QPalette::Highlight, QColor(0x2F, 0x6F, 0xC8));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x3A, 0x3D, 0x3B));
    palette.setColor(QPalette::Link, Theme::color(ThemeColor::port, true));
    palette.setColor(QPalette::LinkVisited, Theme::color(ThemeColor::port, true).darker(120));
    return palette;
}

}  // namespace Appearance
