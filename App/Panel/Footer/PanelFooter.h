#pragma once
// The bar under the list: the filter field, the sort menu and the grouped/flat toggle, with a
// hairline over its top edge. It shows the owner's search text, sort order and grouping and
// reports what the user changes. Main thread only.

#include <QWidget>

#include "Shared/SortMode.h"

class IconButton;
class QMenu;
class SearchField;
class ViewToggle;

class PanelFooter : public QWidget {
    Q_OBJECT
public:
    explicit PanelFooter(QWidget* parent = nullptr);

    void show(const QString& searchText, SortMode sortMode, bool grouped);

    SearchField* searchField() const { return search_; }
    IconButton* sortButton() const { return sort_; }
    ViewToggle* viewToggle() const { return toggle_; }
    // The sort menu as it would open now: "Sort by" and one checkable item per order.
    QMenu* makeSortMenu(QWidget* parent);

    // The label of a sort order in the menu ("Activity", ..., "Name").
    static QString sortLabel(SortMode mode);

signals:
    void searchEdited(const QString& text);
    void searchFocusChanged(bool focused);
    void sortChosen(SortMode mode);
    void groupedChosen(bool grouped);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void openSortMenu();

    SearchField* search_;
    IconButton* sort_;
    ViewToggle* toggle_;
    SortMode sortMode_ = SortMode::activity;
};
