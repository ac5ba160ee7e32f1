#include "App/Common/WindowPlacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

QScreen* WindowPlacement::screenUnderPointer() {
    if (QScreen* screen = QGuiApplication::screenAt(QCursor::pos())) return screen;
    return QGuiApplication::primaryScreen();
}

QPoint WindowPlacement::centredOrigin(const QRect& visible, const QSize& size) {
    const QPointF centre = QRectF(visible).center();
    return QPoint(qRound(centre.x() - size.width() / 2.0), qRound(centre.y() - size.height() / 2.0));
}

void WindowPlacement::centerOnScreen(QWidget& window, QScreen* screen) {
    if (!screen) return;
    // The frame, title bar included, once the window has been framed (it stays known while the
    // window is hidden); before that it is the window's own size.
    window.move(centredOrigin(screen->availableGeometry(), window.frameGeometry().size()));
}

void WindowPlacement::centerOnActiveScreen(QWidget& window) { centerOnScreen(window, screenUnderPointer()); }

QWidget* WindowPlacement::makeViewWindow(const QString& title, const QString& objectName, QWidget* view, QSize size,
                                         Qt::WindowFlags extraFlags) {
    auto* window = new QWidget(
        nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | extraFlags);
    window->setWindowTitle(title);
    window->setObjectName(objectName);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    window->setFixedSize(size);
    return window;
}

void WindowPlacement::showInFront(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}
