#pragma once
// Showing and hiding parts of a view that is refilled often: QWidget::setVisible(true) on a part
// that is already shown (but was never shown explicitly) walks all its children again, which adds
// up over hundreds of rows.

#include <QWidget>

inline void setShown(QWidget* part, bool shown) {
    const bool settled = part->testAttribute(Qt::WA_WState_ExplicitShowHide) || !part->isHidden();
    if (settled && part->isHidden() == !shown) return;
    part->setVisible(shown);
}
