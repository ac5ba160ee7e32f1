#pragma once
// The panel's top row: the wordmark, then on the right what the panel knows (the server count, or
// "Scanning ports…" while its first scan fills an empty panel), the rescan button and the gear
// button. It shows what the owner hands it and reports a click on rescan. Main thread only.

#include <QWidget>

class ActivitySpinner;
class CapsuleLabel;
class RescanButton;
class SettingsGearButton;
class TextView;

class PanelHeader : public QWidget {
    Q_OBJECT
public:
    explicit PanelHeader(QWidget* parent = nullptr);

    // The count chip's text, or (when `firstScan`) the scanning indicator in its place; the rescan
    // arrow turns while `scanning`.
    void show(const QString& countText, bool firstScan, bool scanning);

    CapsuleLabel* countChip() const { return countChip_; }
    QWidget* scanningIndicator() const { return scanningIndicator_; }
    RescanButton* rescanButton() const { return rescan_; }
    SettingsGearButton* gearButton() const { return gear_; }

signals:
    void rescanClicked();

private:
    CapsuleLabel* countChip_;
    QWidget* scanningIndicator_;
    RescanButton* rescan_;
    SettingsGearButton* gear_;
};
