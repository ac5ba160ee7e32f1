#pragma once
// The desktop window that hosts one widget of one family: frameless, the family's size, kept below
// other windows, out of the taskbar and the pager and on every desktop (DesktopWindowHints.h). It
// is moved by dragging anywhere outside its buttons (the window manager moves it when it can) and
// stands where it was last left, per family (WidgetPlacement.h), or, when another widget already
// stands there (a second one of the family, say), where it is seen beside it. Its right-click menu
// removes it.
//
// It runs the timeline (WidgetTimeline.h) and performs the intents of pressed buttons one after the
// other, in the order pressed, on a queue of its own, so a slow queue file never holds up the
// window. The placeholder shows the sample data and its buttons do nothing. Main thread only.

#include <optional>
#include <vector>

#include <QPoint>
#include <QTimer>
#include <QWidget>

#include "Platform/Dispatch.h"
#include "Widget/VellumarkWidget.h"

class WidgetTimeline;
class WidgetView;

class WidgetWindow : public QWidget {
    Q_OBJECT
public:
    enum class Content { live, placeholder };

    WidgetWindow(WidgetFamily family, Content content);
    ~WidgetWindow() override;

    WidgetView* view() const { return view_; }

    // The place a window of this family takes when it has none remembered, or the remembered one
    // is off every screen: near the top right corner of the primary screen's free area, the three
    // families one below the other, in columns side by side where the area is not tall enough.
    static QPoint defaultOrigin(WidgetFamily family, const QRect& freeArea);

    // Where a window of `size` stands when other widgets may already stand at its place: the place
    // itself while it meets none of them; else the nearest free spot inside the free area on the grid
    // of window-sized steps (a margin apart) through the place, of two as near the lower, then the
    // one further left; with no free spot, the place moved down and to the right a margin at a time
    // until no other window has its corner there.
    static QPoint freeOrigin(QPoint place, QSize size, const std::vector<QRect>& taken, const QRect& freeArea);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QPoint initialOrigin() const;
    // The initial origin, or a free spot beside it when another widget stands there.
    QPoint originOnShow();

    WidgetFamily family_;
    Platform::Dispatch::SerialQueue intents_;
    WidgetView* view_;
    WidgetTimeline* timeline_;
    std::optional<QPoint> dragOffset_;  // while dragging without the window manager's help
    QTimer rememberTimer_;
};
