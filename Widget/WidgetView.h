#pragma once
// The widget's face for one timeline entry in one family: the wordmark with the conflict mark and
// the server count, then one row per project in the stored display order up to the family's limit
// and "+<n> more" for the rest, or "Nothing running" when no project runs. Padded 13 by 12 on the
// card colour; light or dark as its palette is (Theme::isDark). The display preferences are read
// each time an entry is laid out. A header too narrow for the wordmark beside the count (the small
// family's) shows the wordmark's ghost alone. Main thread only.

#include <vector>

#include <QWidget>

#include "Controls/CapsuleLabel.h"
#include "Controls/TextView.h"
#include "Widget/DevProcessEntry.h"
#include "Widget/ProjectRow.h"
#include "Widget/VellumarkWidget.h"
#include "Widget/WidgetParts.h"

class QSpacerItem;
class QVBoxLayout;

class WidgetView : public QWidget {
    Q_OBJECT
public:
    // See ProjectRow::IntentHandler: none makes the buttons inert.
    WidgetView(WidgetFamily family, ProjectRow::IntentHandler perform, QWidget* parent = nullptr);

    // The family's width, and its nominal height or, when more is needed, the height that holds the
    // header, the family's full number of rows and the "more" line in the fonts at hand.
    static QSize sizeFor(WidgetFamily family);

    WidgetFamily family() const { return family_; }
    const DevProcessEntry& entry() const { return entry_; }
    void setEntry(DevProcessEntry entry);

    // What is on show, for those who look at the view from outside (assistive technology, tests).
    const std::vector<ProjectRow*>& rows() const { return rows_; }
    CapsuleLabel* countPill() const { return pill_; }
    QWidget* wordmark() const { return wordmark_; }
    QWidget* ghost() const { return ghost_; }
    SymbolImage* conflictMark() const { return conflictMark_; }
    TextView* emptyNote() const { return emptyNote_; }
    TextView* moreLine() const { return more_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void layOut();
    // The whole wordmark when the header has room for it beside the count, else its ghost alone.
    void fitHeaderMark(bool conflict);
    void updateWordmarkPalette();

    WidgetFamily family_;
    ProjectRow::IntentHandler perform_;
    DevProcessEntry entry_;

    QWidget* wordmark_;
    QWidget* ghost_;
    SymbolImage* conflictMark_;
    CapsuleLabel* pill_;
    TextView* emptyNote_;
    QWidget* emptyArea_;
    QVBoxLayout* rowStack_;
    std::vector<ProjectRow*> rows_;
    TextView* more_;
    QSpacerItem* trailingSpace_;  // below the rows, owned by the layout
};
