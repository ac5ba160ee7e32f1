#pragma once
// The panel shown in the popover: the header, the server list and the footer. It has the panel's
// fixed width and the card background; its height follows its content.

#include <QWidget>

class QVBoxLayout;

class MenuContentView : public QWidget {
    Q_OBJECT

public:
    static constexpr int panelWidth = 440;

    explicit MenuContentView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* stack_;
};
