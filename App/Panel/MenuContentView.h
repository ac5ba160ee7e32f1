#pragma once
// The panel shown in the popover: the header, then the server area (states, list, footer), with the
// one-time warning card laid over everything while a stop waits for it. It owns the panel's model
// and shows it: the model reads the snapshot when the panel appears, every 2 seconds while it is
// shown and whenever the application's loop has written it, and every change it announces redraws just what it touches.
// The rows follow the trackers and the keyboard selection. Fixed width, the card's colour, height following the
// content. Main thread only.

#include <memory>
#include <optional>
#include <vector>

#include <QWidget>

#include "Core/PanelModel/LeaveSearch.h"
#include "Core/PanelModel/PanelModel.h"
#include "Platform/ObserverList.h"

class KillWarningOverlay;
class PanelHeader;
class QTimer;
class ServerArea;

class MenuContentView : public QWidget {
    Q_OBJECT

public:
    static constexpr int panelWidth = 440;

    // `reduceMotion`: whether the desktop asks for less motion (the skeleton rows keep still then).
    explicit MenuContentView(PanelModel::Environment environment, std::function<bool()> reduceMotion,
                             QWidget* parent = nullptr);

    PanelModel& model() const { return *model_; }
    PanelHeader* header() const { return header_; }
    ServerArea* serverArea() const { return area_; }
    KillWarningOverlay* warningOverlay() const { return overlay_; }
    // The application's loop has written the snapshot of a scan that ended at `scannedAt`: a shown
    // panel reads it at once (PanelModel::snapshotWritten).
    void snapshotWritten(Platform::Date scannedAt);
    // The warning card is up: the keyboard's row keys must not act behind it.
    bool isShowingWarning() const;
    // Escape reached the panel's window: an open stop confirmation (a row's or a project's) closes,
    // and the window stays open. False when none was open (the window then closes, as pop-ups do).
    bool dismissConfirmation();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void showModel(PanelModel::Changes changes);
    // The layouts from the list up to the window, now: the window's height follows the list's.
    void fitWindowToContent();

    std::unique_ptr<PanelModel> model_;
    PanelHeader* header_;
    ServerArea* area_;
    KillWarningOverlay* overlay_;
    QTimer* tick_;
    std::optional<int> restingMinimumHeight_;  // while the card has made the panel taller
    // The model's, the trackers' and the keyboard's publishes, while the view lives (ended before
    // the model goes).
    std::vector<Platform::Subscription> subscriptions_;
};
