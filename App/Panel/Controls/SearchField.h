#pragma once
// The footer's filter field: a magnifying glass, a plain text field ("Filter servers…") and, while
// there is text, a clear button, on a rounded field that shows hover and focus.
//
// The text and the focus belong to the owner: it hears of the user's changes through the signals
// and hands its state back through the setters, which emit nothing. A click anywhere on the field
// focuses it; the clear button empties the text without moving the focus.
//
// The focus ring is drawn up to 3 px outside the field's edge, so the widget is that much larger
// than the field on every side (ringRoom); the owner's layout can take that from its own padding.
// Main thread only.

#include <QWidget>

class IconButton;
class QLineEdit;

class SearchField : public QWidget {
    Q_OBJECT
public:
    static constexpr int ringRoom = 3;
    static constexpr int fieldHeight = 30;

    explicit SearchField(QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    bool isFocused() const;
    void setFocused(bool focused);
    bool isHovered() const { return hovered_; }

    QLineEdit* lineEdit() const { return edit_; }
    IconButton* clearButton() const { return clear_; }
    // The field itself, inside the room left for the focus ring.
    QRectF fieldRect() const;
    // The field's outline as drawn now, and whether the focus ring shows.
    QColor borderColor() const;
    bool showsFocusRing() const { return isFocused(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The user typed, or cleared the text with the clear button.
    void textEdited(const QString& text);
    void focusedChanged(bool focused);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyColors();

    QLineEdit* edit_;
    IconButton* clear_;
    bool hovered_ = false;
};
