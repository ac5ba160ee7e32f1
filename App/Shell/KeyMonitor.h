#pragma once
// The panel's local key monitor: while the popover is shown, it sees every key press the
// application receives before any widget does, and works the panel from the keyboard through
// KeyNav. Installed when the popover shows and removed when it closes; holding one is the
// monitor's token.
//
// "Modified" means Control, Alt or Super is held (Shift does not count).
// - While a text field of the window is being edited (the panel's filter field): a modified key
//   passes through; Escape leaves the field (its focus is cleared and LeaveSearch is posted) and is
//   swallowed; Down does the same and selects the first row (none without rows); other keys type.
// - Otherwise: Escape clears the selection and still reaches the panel; Down and Up move the
//   selection (clamped, no wrap); O, K and R (Shift allowed) open, stop or restart the selected row
//   and are swallowed, even when there is nothing to do; modified keys pass through.
// - While the panel's one-time warning card is shown, every key passes through untouched: only the
//   card's own Return and Escape act, never a row behind it.
// - Only the panel's own window is watched, and only while no menu is open over it: the keys of a
//   menu opened from the panel (the gear menu, the sort menu) and of other windows are theirs.
//
// Main thread.

#include <QObject>

#include <functional>

class KeyNav;
class QKeyEvent;
class QWidget;

class KeyMonitor : public QObject {
    Q_OBJECT

public:
    using Predicate = std::function<bool()>;

    // Starts watching the key presses that reach the panel's window. `isWarningCardShown` may be
    // empty (no card).
    KeyMonitor(KeyNav& keyNav, const QWidget* panel, Predicate isWarningCardShown = {});
    // Stops watching.
    ~KeyMonitor() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whether the key press is swallowed.
    bool handleKeyPress(const QKeyEvent& event);

    KeyNav& keyNav_;
    const QWidget* panel_;
    Predicate isWarningCardShown_;
};
