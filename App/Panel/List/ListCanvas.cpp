#include "App/Panel/List/ListCanvas.h"

#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

#include "App/Panel/Controls/PointerHover.h"

ListCanvas::ListCanvas(QScrollArea* area) : area_(area) {
    area->setWidget(this);
    area->setWidgetResizable(true);
    connect(area->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        placePinnedHeaders();
        PointerHover::sync(this);  // the rows moved under the pointer
    });
}

void ListCanvas::setItems(std::vector<Item> items) {
    items_ = std::move(items);
    for (QObject* child : children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget) continue;
        const bool listed =
            std::any_of(items_.begin(), items_.end(), [&](const Item& item) { return item.widget == widget; });
        if (!listed) widget->hide();
    }
    relayout();
}

void ListCanvas::setPinsHeaders(bool pins) {
    if (pins == pinsHeaders_) return;
    pinsHeaders_ = pins;
    relayout();
}

void ListCanvas::relayout() {
    tops_.clear();
    const QMargins margins = contentsMargins();
    int y = margins.top();
    for (const Item& item : items_) {
        tops_.push_back(y);
        const int height = std::max(0, item.widget->sizeHint().height());
        item.widget->setGeometry(margins.left(), y, itemWidth(), height);
        item.widget->show();
        y += height;
    }
    y += margins.bottom();
    if (y != contentHeight_) {
        contentHeight_ = y;
        updateGeometry();  // the scroll area's range follows
        emit contentHeightChanged(y);
    }
    placePinnedHeaders();
    // Kept items have moved, new ones have come where the pointer may rest.
    PointerHover::sync(this);
}

int ListCanvas::naturalTop(const QWidget* widget) const {
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].widget == widget) return tops_[i];
    }
    return -1;
}

int ListCanvas::itemWidth() const {
    return std::max(0, width() - contentsMargins().left() - contentsMargins().right());
}

QSize ListCanvas::sizeHint() const { return QSize(width(), contentHeight_); }

// A resizable scroll area never makes its content smaller than this: the whole list scrolls.
QSize ListCanvas::minimumSizeHint() const { return QSize(0, contentHeight_); }

bool ListCanvas::event(QEvent* event) {
    // The scroll area sizes its content from the minimum size hint when it is resizable.
    if (event->type() == QEvent::LayoutRequest) relayout();
    return QWidget::event(event);
}

void ListCanvas::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    for (const Item& item : items_)
        item.widget->setGeometry(contentsMargins().left(), item.widget->y(), itemWidth(), item.widget->height());
    placePinnedHeaders();
    PointerHover::sync(this);
}

void ListCanvas::placePinnedHeaders() {
    const int visibleTop = area_ ? area_->verticalScrollBar()->value() : 0;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (!items_[i].sectionHeader) continue;
        QWidget* header = items_[i].widget;
        int top = tops_[i];
        if (pinsHeaders_) {
            // The section ends where the next one begins (or with the list).
            std::size_t next = i + 1;
            while (next < items_.size() && !items_[next].sectionHeader && !items_[next].endsSection) ++next;
            const int sectionEnd = next < items_.size() ? tops_[next] : contentHeight_ - contentsMargins().bottom();
            if (visibleTop > top) top = std::min(visibleTop, sectionEnd - header->height());
            top = std::max(top, tops_[i]);
        }
        header->move(contentsMargins().left(), top);
        header->raise();  // rows scrolling under a pinned header pass behind it
    }
}
