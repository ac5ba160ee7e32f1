#pragma once
// An on/off switch: a rounded track with a round thumb, the thumb on the right and the track in the
// alive colour when on. A checkable button, so it toggles on click and Space and tells through
// toggled(); its accessible name is the label of its row. Main thread only.

#include <QAbstractButton>

class QLabel;

class ToggleSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit ToggleSwitch(const QString& accessibleName, QWidget* parent = nullptr);

    QSize sizeHint() const override;

    // Shows a state without telling anyone: for mirroring what is stored.
    void mirror(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A form row: the label on the left, the switch on the right. The switch is handed back through
// `control`.
QWidget* switchRow(const QString& label, ToggleSwitch*& control);
