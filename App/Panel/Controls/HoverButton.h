#pragma once
// A plain button of the panel: no bezel, no keyboard focus, the pointing hand while the pointer is
// over it, and a hover state of its own that repaints it. It starts not hovered and forgets the
// pointer when hidden. A button may be disabled for a reason, which is then its tool tip.
// Subclasses paint the label. Main thread only.

#include <optional>

#include <QAbstractButton>

class HoverButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit HoverButton(QWidget* parent = nullptr);

    bool isHovered() const { return hovered_; }

    // Present: disabled, with the reason as the tool tip; absent: enabled, with `help`.
    void setDisabledReason(const std::optional<QString>& reason, const QString& help);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void setHovered(bool hovered);

    bool hovered_ = false;
};
