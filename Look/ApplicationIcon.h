#pragma once
// The application's icon: the light ghost mark on a square canvas (io.kestrow.v3lk.svg beside this
// file, compiled into both programs). Every window of both programs carries it, and the install step
// puts it into the desktop's icon theme (hicolor) under its name, as the SVG and as PNGs drawn from
// it at the theme's usual sizes, where the desktop entries name it. Main thread only.

#include <QIcon>
#include <QImage>

class QWidget;

inline constexpr const char* applicationIconName = "io.kestrow.v3lk";
inline constexpr int applicationIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// The icon drawn at `size` × `size` pixels, transparent around the ghost.
QImage applicationIconImage(int size);

// The icon at each of the usual sizes, for QApplication::setWindowIcon. Needs a QGuiApplication.
QIcon applicationIcon();

// The running application's icon as a view of `size` × `size` pixels: the application's window icon
// when it has one, else the ghost logo, which is the application's face.
QWidget* applicationIconView(int size, QWidget* parent = nullptr);
