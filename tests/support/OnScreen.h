#pragma once
// Whether the X server shows a widget of the test's own process as the widget paints itself: a
// screenshot of its place on the root window against its own rendering (QWidget::grab). This is
// the event a test waits for before it photographs, or clicks into, what it has just shown or
// changed: mapped, painted and flushed to the server.

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QRegion>
#include <QWidget>

#include <cstdlib>
#include <filesystem>

#include "support/Screenshots.h"

namespace app_test {

// Nearly every pixel the widget paints opaque, inside its mask where it has one, is on the screen
// as painted (a few may differ: antialiased edges against what lies beneath, say).
inline bool showsAsPainted(QWidget& widget, const std::filesystem::path& folder) {
    if (!widget.isVisible()) return false;
    const QPoint origin = widget.mapToGlobal(QPoint(0, 0));
    const std::filesystem::path file = folder / "on-screen.png";
    if (!importRegion(origin.x(), origin.y(), widget.width(), widget.height(), file)) return false;
    const QImage shown = QImage(QString::fromStdString(file.string())).convertToFormat(QImage::Format_RGB32);
    const QImage painted = widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    if (shown.size() != widget.size() || painted.size() != widget.size()) return false;

    QImage inside(widget.size(), QImage::Format_Grayscale8);
    inside.fill(0);
    {
        QPainter painter(&inside);
        painter.setClipRegion(widget.mask().isEmpty() ? QRegion(widget.rect()) : widget.mask());
        painter.fillRect(widget.rect(), Qt::white);
    }
    long compared = 0, alike = 0;
    for (int y = 0; y < painted.height(); ++y) {
        for (int x = 0; x < painted.width(); ++x) {
            const QRgb want = painted.pixel(x, y), got = shown.pixel(x, y);
            if (qAlpha(want) < 255 || qGray(inside.pixel(x, y)) == 0) continue;
            ++compared;
            const int distance = std::abs(qRed(want) - qRed(got)) + std::abs(qGreen(want) - qGreen(got)) +
                                 std::abs(qBlue(want) - qBlue(got));
            if (distance <= 24) ++alike;
        }
    }
    return compared > 0 && alike * 100 >= compared * 98;
}

}  // namespace app_test
