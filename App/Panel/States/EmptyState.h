#pragma once
// What the panel shows when the last scan found nothing: the broadcast icon on a tile, "No dev
// servers running", a line on how servers show up, and a button that rescans ("Rescanning…" with a
// spinner while the scan runs, and disabled meanwhile). Main thread only.

#include <QWidget>

class ActivitySpinner;
class TextButton;

class EmptyState : public QWidget {
    Q_OBJECT
public:
    explicit EmptyState(QWidget* parent = nullptr);

    void setScanning(bool scanning);
    TextButton* rescanButton() const { return rescan_; }

signals:
    void rescanClicked();

private:
    ActivitySpinner* spinner_;
    TextButton* rescan_;
};
