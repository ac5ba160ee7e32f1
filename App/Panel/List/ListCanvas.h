#pragma once
// The scrolling content of the panel's list: places its items one under the other, each across the
// width inside its contents margins at its preferred height, and pins section headers to the top of
// the visible part while their section scrolls under them, each pushed up by the next header as it
// arrives.
//
// The canvas only places: the owner creates the items as its children, keeps them across updates
// (a kept item is moved, never rebuilt) and deletes the ones it drops. Main thread.

#include <QPointer>
#include <QWidget>

#include <vector>

class QScrollArea;

class ListCanvas : public QWidget {
    Q_OBJECT

public:
    struct Item {
        QWidget* widget = nullptr;
        bool sectionHeader = false;  // starts a section; pinned while its section is in view
        bool endsSection = false;    // starts something that belongs to no section (never pinned)
    };

    // Becomes the scroll area's content and follows its scrolling.
    explicit ListCanvas(QScrollArea* area);

    // The items, top to bottom. Children of the canvas that are not listed are hidden.
    void setItems(std::vector<Item> items);
    void setPinsHeaders(bool pins);
    // Places the items again (after an item's preferred height changed).
    void relayout();

    // The item's top in the canvas without pinning (for scrolling to it).
    int naturalTop(const QWidget* widget) const;

    int contentHeight() const { return contentHeight_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void contentHeightChanged(int height);

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placePinnedHeaders();
    int itemWidth() const;

    QPointer<QScrollArea> area_;
    std::vector<Item> items_;
    std::vector<int> tops_;  // natural tops, one per item
    int contentHeight_ = 0;
    bool pinsHeaders_ = true;
};
