#pragma once
// The pointing-hand cursor over a clickable control. While the pointer is over the control the
// hand is pushed on the application's override-cursor stack; leaving, hiding or destroying the
// control pops it. One control pushes at most once and never pops a cursor it did not push.
// Main thread only.

#include <QObject>

class QWidget;

class PointingCursor : public QObject {
    Q_OBJECT
public:
    // Watches `control` and lives as long as it does.
    explicit PointingCursor(QWidget* control);
    ~PointingCursor() override;

    // Whether this control's hand is on the stack.
    bool pushed() const { return pushed_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void push();
    void pop();

    bool pushed_ = false;
};

// Gives `control` the pointing hand; a control that has it already is left as it is. Returns the
// control; a null control is returned unchanged.
QWidget* applyPointingCursor(QWidget* control);

template <class Control>
Control* pointingCursor(Control* control) {
    applyPointingCursor(control);
    return control;
}
