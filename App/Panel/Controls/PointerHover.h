#pragma once
// Hover as the pointer really is. Qt tells a widget that the pointer entered or left it only as the
// pointer moves, and works out whom to tell from the widget it told last: a widget that moves,
// appears or disappears under a still pointer (a row kept across a reload and placed elsewhere, the
// list shown where a button was, the window closed) keeps what it was last told, and the next move
// may then be told to the wrong widgets.
//
// A window that follows the pointer has its hover derived again from where the pointer is: the
// widget under it and that widget's ancestors are hovered, nothing else in the window is. Every
// widget that believes otherwise (Qt's "under mouse" mark) gets the Enter or Leave event the
// pointer's own moves would have brought, so each control's hover look, and its pointing hand,
// come right the same way. It happens when the window shows, hides, moves or resizes, when the
// pointer's move reaches another widget or leaves the window, and whenever the window's owner says
// what it shows has changed (sync). Main thread only.

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <QWindow>

class QPoint;

class PointerHover : public QObject {
    Q_OBJECT
public:
    // From now on the window's hover follows the pointer; lasts as long as the window.
    static void follow(QWidget* window);
    // What `widget`'s window shows, or where, has changed: its hover is derived again from the
    // pointer. Nothing for a window that does not follow the pointer.
    static void sync(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit PointerHover(QWidget* window);
    // The widget under the global point, or null when the point is outside the window, the window
    // is hidden, or another of the application's pop-ups covers the point.
    QWidget* widgetAt(const QPoint& global) const;
    void syncTo(const QPoint& global);
    // One round of Leave and Enter events; whether any was sent (a row that enters shows buttons
    // that may now be under the pointer, so a round may call for another).
    bool tellWidgets(QWidget* under, const QPoint& global);

    QWidget* window_;
    QPointer<QWindow> handle_;     // the native window whose mouse events are watched
    QPointer<QWidget> lastUnder_;  // where the last sync found the pointer
    bool syncing_ = false;
    bool syncAgain_ = false;
};
