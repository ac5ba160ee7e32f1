#pragma once
// Drives the tray icon (the status item's button): the image, tool tip and accessibility label of a
// state, and the pulse that announces a new server. Main thread only.
//
// The tray has no animation layer, so the pulse is a run of frames: the state's image scaled about
// its centre and faded, set as the icon about thirty times a second for 3.3 s. Changing the state
// during a pulse carries on pulsing the new image; a new pulse restarts the run.

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

#include "App/StatusTile/StatusTileDerivation.h"

class QSystemTrayIcon;

class StatusItemController : public QObject {
    Q_OBJECT

public:
    using State = StatusTile::State;
    using Inputs = StatusTile::Inputs;
    // Whether the desktop asks for less motion. Asked on the main thread before a pulse, so it must
    // not block; ReducedMotion::lastKnown unless replaced (tests).
    using MotionPreference = std::function<bool()>;

    // The button is held weakly: once it is destroyed, apply does nothing.
    explicit StatusItemController(QSystemTrayIcon* button, MotionPreference reduceMotion = {},
                                  QObject* parent = nullptr);

    // Shows the state: image, tool tip and accessibility label; pulses when asked and the desktop
    // does not ask for reduced motion. Without the button nothing happens, not even storing the state.
    void apply(State state, const Inputs& inputs, bool pulse);

    State state() const { return state_; }
    // The tray has no accessibility label of its own. It is kept here, and given to the icon's X11
    // tray window as its name and accessible name: what XEmbed bridges and screen readers present.
    const QString& accessibilityLabel() const { return accessibilityLabel_; }
    // Names the tray window again (a tray window made since the last apply: the icon just attached
    // to a tray).
    void publishAccessibilityLabel();
    bool isPulsing() const { return pulseTimer_.isActive(); }
    // The image the button shows now (a pulse frame while pulsing); null when the asset is missing.
    const QImage& shownImage() const { return shownImage_; }
    // Frames shown by the current or last pulse.
    int pulseFramesShown() const { return pulseFrames_; }

private:
    void runPulse();
    void showPulseFrame();
    void show(const QImage& image);

    QPointer<QSystemTrayIcon> button_;
    State state_ = State::idle;
    QString accessibilityLabel_;
    MotionPreference reduceMotion_;
    QImage stateImage_;
    QImage shownImage_;
    QTimer pulseTimer_;
    QElapsedTimer pulseClock_;
    int pulseFrames_ = 0;
};
