#include "App/Brand/ApplicationIcon.h"

#include <QGuiApplication>
#include <QIcon>
#include <QLabel>

#include "App/Brand/GhostMark.h"

QWidget* applicationIconView(int size, QWidget* parent) {
    const QIcon icon = QGuiApplication::windowIcon();
    QWidget* view = nullptr;
    if (icon.isNull()) {
        view = new GhostMark(parent);
    } else {
        auto* image = new QLabel(parent);
        image->setPixmap(icon.pixmap(size, size));
        view = image;
    }
    view->setFixedSize(size, size);
    view->setAccessibleName(QStringLiteral("Vellumark"));
    return view;
}
