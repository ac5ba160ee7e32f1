#pragma once
// A horizontal stack as the panel's rows lay out their parts: items at their preferred widths,
// centred vertically, a fixed spacing between them; flexible spacers share the width left over.
// When the row is too narrow, the items of the lowest layout priority give up width first (down to
// their minimum widths), then those of the next priority, and so on: a row's command shrinks
// before its project name, and both before the port. Hidden widgets take no room. Main thread only.

#include <vector>

#include <QLayout>

class RowStackLayout : public QLayout {
    Q_OBJECT
public:
    explicit RowStackLayout(QWidget* parent = nullptr);
    ~RowStackLayout() override;

    // Appends a widget with a layout priority (higher keeps its width longer).
    void add(QWidget* widget, int priority = 0);
    // Inserts a widget before the item at `index` (appends when out of range).
    void insert(int index, QWidget* widget, int priority = 0);
    // A flexible space of at least `minimumLength`.
    void addSpacer(int minimumLength);
    int indexOf(const QWidget* widget) const { return QLayout::indexOf(widget); }

    void addItem(QLayoutItem* item) override;
    int count() const override { return int(entries_.size()); }
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    struct Entry {
        QLayoutItem* item = nullptr;
        int priority = 0;
    };
    struct Placed {
        const Entry* entry;
        int width;
        int minimum;
    };
    std::vector<Placed> shown() const;
    QSize total(bool minimum) const;

    std::vector<Entry> entries_;
};
