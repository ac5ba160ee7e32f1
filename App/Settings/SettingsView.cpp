#include "App/Settings/SettingsView.h"

#include <QApplication>
#include <QEvent>
#include <QProxyStyle>

#include "App/Settings/FilterSettingsView.h"
#include "App/Settings/GeneralSettingsView.h"
#include "Look/Icons.h"

namespace {

// The page switcher sits in the middle, as a settings window's toolbar does. A style hint rather
// than a style sheet: a widget under a style sheet keeps its palette when the application's changes,
// and the pages would stay in the old appearance.
class CentredTabsStyle final : public QProxyStyle {
public:
    CentredTabsStyle() : QProxyStyle(QApplication::style()->name()) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_TabBar_Alignment) return Qt::AlignCenter;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

SettingsView::SettingsView(AppUpdater& updater, QWidget* parent)
    : QTabWidget(parent), general_(new GeneralSettingsView(updater)), filters_(new FilterSettingsView) {
    setFixedSize(width, height);
    auto* style = new CentredTabsStyle;
    style->setParent(this);
    setStyle(style);
    addTab(general_, QStringLiteral("General"));
    addTab(filters_, QStringLiteral("Filters"));
    tintTabIcons();
    setCurrentIndex(0);
}

void SettingsView::changeEvent(QEvent* event) {
    // A switch between the light and the dark appearance: the icons follow the text.
    if (event->type() == QEvent::PaletteChange) tintTabIcons();
    QTabWidget::changeEvent(event);
}

void SettingsView::tintTabIcons() {
    const QColor iconColor = palette().color(QPalette::WindowText);
    setTabIcon(indexOf(general_), Icons::icon("gearshape", iconColor));
    setTabIcon(indexOf(filters_), Icons::icon("line.3.horizontal.decrease.circle", iconColor));
}
