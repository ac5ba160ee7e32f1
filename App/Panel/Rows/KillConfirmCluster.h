#pragma once
// A row's inline stop confirmation: "Stop this server?", then "Kill" (signal 15), "Force" (signal 9)
// and a cancel button. It only reports the answer; the row passes it on. (Escape closes it too: the
// panel takes that key, see MenuContentView::dismissConfirmation.) Main thread only.

#include <cstdint>

#include <QWidget>

class IconButton;
class TextButton;

class KillConfirmCluster : public QWidget {
    Q_OBJECT
public:
    explicit KillConfirmCluster(QWidget* parent = nullptr);

    TextButton* killButton() const { return kill_; }
    TextButton* forceButton() const { return force_; }
    IconButton* cancelButton() const { return cancel_; }

signals:
    void signalChosen(std::int32_t signal);
    void cancelled();

private:
    TextButton* kill_;
    TextButton* force_;
    IconButton* cancel_;
};
