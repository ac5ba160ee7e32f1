#pragma once
// The running application's icon as a view of `size` × `size` pixels: the application's window icon
// when it has one, else the ghost logo, which is the application's face. Main thread only.

class QWidget;

QWidget* applicationIconView(int size, QWidget* parent = nullptr);
