#include "Look/Icons.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

#include <cmath>
#include <memory>

namespace Icons {
namespace {

QString resourcePath(std::string_view name) {
    return QStringLiteral(":/icons/") + QString::fromUtf8(name.data(), qsizetype(name.size())) + QStringLiteral(".svg");
}

// One renderer per image, parsed on first use and kept: the panel redraws its icons often.
QSvgRenderer* renderer(std::string_view name) {
    static QHash<QString, std::shared_ptr<QSvgRenderer>> renderers;
    const QString path = resourcePath(name);
    auto found = renderers.find(path);
    if (found == renderers.end()) {
        std::shared_ptr<QSvgRenderer> loaded;
        if (QFile::exists(path)) {
            loaded = std::make_shared<QSvgRenderer>(path);
            if (!loaded->isValid()) loaded.reset();
        }
        found = renderers.insert(path, loaded);
    }
    return found->get();
}

QRectF fitted(const QRectF& box, QSizeF natural) {
    if (natural.isEmpty()) return box;
    natural.scale(box.size(), Qt::KeepAspectRatio);
    QRectF result(QPointF(), natural);
    result.moveCenter(box.center());
    return result;
}

}  // namespace

QPixmap pixmap(std::string_view name, QSize size, const QColor& tint, qreal devicePixelRatio) {
    QSvgRenderer* svg = renderer(name);
    if (!svg || size.isEmpty()) return {};
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QImage image(QSize(int(std::ceil(size.width() * ratio)), int(std::ceil(size.height() * ratio))),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg->render(&painter, fitted(QRectF(QPointF(), QSizeF(size)), svg->defaultSize()));
        // The shapes keep their coverage and take the tint: one-colour icons in any colour.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(QRectF(QPointF(), QSizeF(size)), tint);
    }
    return QPixmap::fromImage(std::move(image));
}

void paint(QPainter& painter, const QRectF& rect, std::string_view name, const QColor& tint) {
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize size(int(std::ceil(rect.width())), int(std::ceil(rect.height())));
    const QString key = QStringLiteral("vellumark-icon:%1:%2x%3:%4:%5")
                            .arg(QString::fromUtf8(name.data(), qsizetype(name.size())))
                            .arg(size.width())
                            .arg(size.height())
                            .arg(tint.rgba(), 0, 16)
                            .arg(ratio);
    QPixmap image;
    if (!QPixmapCache::find(key, &image)) {
        image = pixmap(name, size, tint, ratio);
        if (image.isNull()) return;
        QPixmapCache::insert(key, image);
    }
    painter.drawPixmap(
        QPointF(rect.x() + (rect.width() - size.width()) / 2.0, rect.y() + (rect.height() - size.height()) / 2.0),
        image);
}

QIcon icon(std::string_view name, const QColor& tint) {
    QIcon result;
    for (int side : {12, 16, 24, 32}) {
        const QPixmap image = pixmap(name, QSize(side, side), tint);
        if (!image.isNull()) result.addPixmap(image);
    }
    return result;
}

}  // namespace Icons
