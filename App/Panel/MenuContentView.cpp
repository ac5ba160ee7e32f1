#include "App/Panel/MenuContentView.h"

#include <QPainter>
#include <QVBoxLayout>

#include "App/Brand/Theme.h"

MenuContentView::MenuContentView(QWidget* parent) : QWidget(parent), stack_(new QVBoxLayout(this)) {
    setFixedWidth(panelWidth);
    stack_->setContentsMargins(0, 0, 0, 0);
    stack_->setSpacing(0);
}

void MenuContentView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::color(ThemeColor::card, *this));
}
