#pragma once
// The panel's container: a frameless pop-up window that opens under the tray icon and closes when
// the user clicks anywhere else (including the tray icon itself) or presses Escape. It shows at
// once, without animation, and tells when it was shown and closed.
//
// Its corners are rounded with a window shape rather than transparency: without a compositor,
// translucent pixels would show black. Its hover follows the pointer (PointerHover), and assistive
// technologies reach it as one of the application's windows (AccessiblePopups), though it is a
// pop-up.

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <optional>

class QVBoxLayout;

class Popover : public QWidget {
    Q_OBJECT

public:
    static constexpr int cornerRadius = 10;
    // The least height of the hosted view: about the panel's header alone. A window never maps at
    // zero height.
    static constexpr int minimumHeight = 48;

    explicit Popover(QWidget* parent = nullptr);

    // The hosted view, owned by the popover from now on; a previous one is deleted.
    void setContentView(QWidget* view);
    QWidget* contentView() const { return content_; }

    bool isShown() const { return isVisible(); }
    // Opens next to the anchor (see PopoverPlacement) on the screen that holds it, or on the
    // primary screen, and keeps that place for its size while its content grows or shrinks.
    void showRelativeTo(const std::optional<QRect>& anchor);
    // Closes it; didClose follows.
    void performClose() { close(); }

signals:
    void didShow();
    void didClose();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateShape();
    void place();

    QVBoxLayout* layout_;
    QPointer<QWidget> content_;
    std::optional<QRect> anchor_;
    std::optional<QRect> screenArea_;
};
