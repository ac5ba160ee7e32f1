#include "App/Shell/AccessiblePopups.h"

#include <QAccessibleApplication>
#include <QAccessibleWidget>
#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <vector>

namespace {

std::vector<QPointer<QWidget>>& included() {
    static std::vector<QPointer<QWidget>> popups;
    return popups;
}

bool isIncluded(const QObject* object) {
    return std::ranges::any_of(included(), [&](const QPointer<QWidget>& popup) { return popup == object; });
}

// The included pop-ups that show now, which Qt's own list of windows leaves out.
std::vector<QWidget*> shownPopups() {
    std::vector<QWidget*> shown;
    for (const QPointer<QWidget>& popup : included()) {
        if (popup && popup->isVisible() && popup->windowHandle() && popup->windowHandle()->type() == Qt::Popup)
            shown.push_back(popup);
    }
    return shown;
}

// The application's windows: Qt's, then the included pop-ups that show.
class Application : public QAccessibleApplication {
public:
    int childCount() const override { return QAccessibleApplication::childCount() + int(shownPopups().size()); }

    int indexOfChild(const QAccessibleInterface* child) const override {
        if (const int own = QAccessibleApplication::indexOfChild(child); own >= 0) return own;
        if (!child) return -1;
        const std::vector<QWidget*> popups = shownPopups();
        const auto found = std::ranges::find(popups, child->object());
        return found == popups.end() ? -1 : QAccessibleApplication::childCount() + int(found - popups.begin());
    }

    QAccessibleInterface* child(int index) const override {
        const int own = QAccessibleApplication::childCount();
        if (index < own) return QAccessibleApplication::child(index);
        const std::vector<QWidget*> popups = shownPopups();
        const std::size_t popup = std::size_t(index - own);
        return popup < popups.size() ? QAccessible::queryAccessibleInterface(popups[popup]) : nullptr;
    }
};

QAccessibleInterface* makeInterface(const QString& className, QObject* object) {
    if (object == qApp && className == QLatin1String("QApplication")) return new Application;
    // An included pop-up is a window of its own to assistive technologies, not a plain area.
    if (isIncluded(object) && className == QLatin1String(object->metaObject()->className()))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    return nullptr;
}

}  // namespace

void AccessiblePopups::include(QWidget* popup) {
    if (!popup || isIncluded(popup)) return;
    std::erase_if(included(), [](const QPointer<QWidget>& gone) { return gone.isNull(); });
    included().emplace_back(popup);
    // Installed again for each application (Qt forgets its factories when one ends); twice is once.
    QAccessible::installFactory(&makeInterface);
    // The application's own description may have been made already, without the pop-ups: made
    // again, it comes from the factory.
    if (QAccessibleInterface* application = QAccessible::queryAccessibleInterface(qApp);
        application && !dynamic_cast<Application*>(application)) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(application));
    }
}
