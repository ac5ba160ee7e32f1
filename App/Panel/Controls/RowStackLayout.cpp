#include "App/Panel/Controls/RowStackLayout.h"

#include <algorithm>
#include <map>

#include <QWidget>

RowStackLayout::RowStackLayout(QWidget* parent) : QLayout(parent) { setContentsMargins(0, 0, 0, 0); }

RowStackLayout::~RowStackLayout() {
    for (Entry& entry : entries_) delete entry.item;
}

void RowStackLayout::add(QWidget* widget, int priority) { insert(count(), widget, priority); }

void RowStackLayout::insert(int index, QWidget* widget, int priority) {
    addChildWidget(widget);
    const auto at = index >= 0 && index < count() ? entries_.begin() + index : entries_.end();
    entries_.insert(at, {new QWidgetItem(widget), priority});
    invalidate();
}

void RowStackLayout::addSpacer(int minimumLength) {
    entries_.push_back({new QSpacerItem(minimumLength, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), 0});
    invalidate();
}

void RowStackLayout::addItem(QLayoutItem* item) {
    entries_.push_back({item, 0});
    invalidate();
}

QLayoutItem* RowStackLayout::itemAt(int index) const {
    return index >= 0 && index < count() ? entries_[std::size_t(index)].item : nullptr;
}

QLayoutItem* RowStackLayout::takeAt(int index) {
    if (index < 0 || index >= count()) return nullptr;
    QLayoutItem* item = entries_[std::size_t(index)].item;
    entries_.erase(entries_.begin() + index);
    invalidate();
    return item;
}

std::vector<RowStackLayout::Placed> RowStackLayout::shown() const {
    std::vector<Placed> placed;
    for (const Entry& entry : entries_) {
        // A hidden widget is an empty item; a spacer is empty too, but always takes its room.
        if (entry.item->isEmpty() && !entry.item->spacerItem()) continue;
        placed.push_back({&entry, entry.item->sizeHint().width(), entry.item->minimumSize().width()});
    }
    return placed;
}

QSize RowStackLayout::total(bool minimum) const {
    const std::vector<Placed> placed = shown();
    int width = placed.empty() ? 0 : spacing() * int(placed.size() - 1);
    int height = 0;
    for (const Placed& item : placed) {
        width += minimum ? item.minimum : item.width;
        const QSize size = minimum ? item.entry->item->minimumSize() : item.entry->item->sizeHint();
        height = std::max(height, size.height());
    }
    const QMargins margins = contentsMargins();
    return {width + margins.left() + margins.right(), height + margins.top() + margins.bottom()};
}

QSize RowStackLayout::sizeHint() const { return total(false); }

QSize RowStackLayout::minimumSize() const { return total(true); }

void RowStackLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const QRect area = rect.marginsRemoved(contentsMargins());
    std::vector<Placed> placed = shown();
    if (placed.empty()) return;

    int used = spacing() * int(placed.size() - 1);
    for (const Placed& item : placed) used += item.width;
    if (used > area.width()) {
        // Too narrow: the lowest priorities give up width first, each group in proportion to
        // what its items can give.
        std::map<int, std::vector<Placed*>> byPriority;
        for (Placed& item : placed) byPriority[item.entry->priority].push_back(&item);
        int deficit = used - area.width();
        for (auto& [priority, group] : byPriority) {
            int slack = 0;
            for (const Placed* item : group) slack += std::max(0, item->width - item->minimum);
            if (slack == 0) continue;
            const int taken = std::min(deficit, slack);
            int left = taken;
            for (std::size_t i = 0; i < group.size(); ++i) {
                Placed& item = *group[i];
                const int give = std::max(0, item.width - item.minimum);
                const int share = i + 1 == group.size() ? std::min(left, give) : give * taken / slack;
                item.width -= share;
                left -= share;
            }
            deficit -= taken;
            if (deficit <= 0) break;
        }
    } else {
        // Room to spare: the spacers share it; without spacers the items keep to the leading edge.
        std::vector<Placed*> spacers;
        for (Placed& item : placed)
            if (item.entry->item->spacerItem()) spacers.push_back(&item);
        int spare = area.width() - used;
        for (std::size_t i = 0; i < spacers.size(); ++i) {
            const int share = spare / int(spacers.size() - i);
            spacers[i]->width += share;
            spare -= share;
        }
    }

    int x = area.left();
    for (const Placed& item : placed) {
        QLayoutItem* layoutItem = item.entry->item;
        const int height =
            std::min(std::max(layoutItem->sizeHint().height(), layoutItem->minimumSize().height()), area.height());
        layoutItem->setGeometry(QRect(x, area.top() + (area.height() - height) / 2, item.width, height));
        x += item.width + spacing();
    }
}
