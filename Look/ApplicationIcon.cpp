#include "Look/ApplicationIcon.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include "Look/GhostMark.h"

QImage applicationIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer svg(QStringLiteral(":/brand/%1.svg").arg(QLatin1String(applicationIconName)));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter, QRectF(0, 0, size, size));
    return image;
}

QIcon applicationIcon() {
    QIcon icon;
    for (const int size : applicationIconSizes) icon.addPixmap(QPixmap::fromImage(applicationIconImage(size)));
    return icon;
}

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
