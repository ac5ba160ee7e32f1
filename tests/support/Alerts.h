#pragma once
// Answering window-modal alerts in tests (the shortcut recorder's, say): the alert runs its own
// event loop, so the answer is given from a timer while it waits.

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <string>
#include <vector>

namespace app_test {

struct AlertSeen {
    std::string text, informativeText;
    std::vector<std::string> buttons;
};

// Clicks the button with this text on every alert that comes up while the object lives (its first
// button when it has none of that text), and keeps what each alert said.
class AlertAnswerer {
public:
    explicit AlertAnswerer(QString button) : button_(std::move(button)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
        timer_.start(10);
    }
    const std::vector<AlertSeen>& seen() const { return seen_; }
    void setButton(QString button) { button_ = std::move(button); }

private:
    void answer() {
        auto* alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!alert || !alert->isVisible()) return;
        AlertSeen seen{alert->text().toStdString(), alert->informativeText().toStdString(), {}};
        QAbstractButton* chosen = nullptr;
        for (QAbstractButton* button : alert->buttons()) {
            seen.buttons.push_back(button->text().toStdString());
            if (button->text() == button_) chosen = button;
        }
        seen_.push_back(std::move(seen));
        if (!chosen && !alert->buttons().isEmpty()) chosen = alert->buttons().front();
        if (chosen) chosen->click();
    }

    QString button_;
    QTimer timer_;
    std::vector<AlertSeen> seen_;
};

}  // namespace app_test
