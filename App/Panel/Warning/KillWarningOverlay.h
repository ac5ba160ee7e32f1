#pragma once
// The one-time warning before the first stop and the first force stop, laid over the whole panel:
// the panel dimmed to 45 % black, and on it a card that says what the stop will do, with "Cancel"
// and the confirm button ("Stop" or "Force Stop"). Return confirms; Escape, "Cancel" or a click on
// the dimmed panel outside the card cancels.
//
// A child of the panel that covers it and follows its size; hidden until presented. It only
// answers: the owner acknowledges the warning and stops the server. Main thread only.

#include <cstdint>

#include <QPointer>
#include <QWidget>

class QVBoxLayout;
class TextButton;
class TextView;

class KillWarningOverlay : public QWidget {
    Q_OBJECT
public:
    struct Texts {
        QString title;
        QString explanation;
        QString confirm;
    };
    // The card's texts for a container or any other target, and the signal (9: force stop, any
    // other value: a plain stop).
    static Texts texts(bool container, std::int32_t signal);

    explicit KillWarningOverlay(QWidget* panel);

    // Shows the card for the target and signal over the panel and takes the keyboard until answered.
    void present(bool container, std::int32_t signal);
    bool isPresented() const { return isVisible(); }

    QWidget* card() const { return card_; }
    TextButton* cancelButton() const { return cancel_; }
    TextButton* confirmButton() const { return confirm_; }

    // Answers as the buttons do; nothing when not presented.
    void confirm();
    void cancel();

signals:
    void confirmed();
    void cancelled();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeCard();
    void answer(bool confirmed);

    QWidget* card_;
    TextView* title_;
    TextView* explanation_;
    TextButton* cancel_;
    TextButton* confirm_;
    QPointer<QWidget> focusBefore_;  // given back the keyboard when the card goes
};
