#include "App/StatusTile/StatusItemController.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

#include "App/StatusTile/ReducedMotion.h"
#include "App/StatusTile/StatusImages.h"
#include "App/StatusTile/StatusTilePulse.h"

namespace {

// About thirty frames a second: smooth enough for a 22-pixel icon, light on the tray host.
constexpr int pulseFrameMilliseconds = 33;

}  // namespace

StatusItemController::StatusItemController(QSystemTrayIcon* button, MotionPreference reduceMotion, QObject* parent)
    : QObject(parent), button_(button), reduceMotion_(std::move(reduceMotion)) {
    if (!reduceMotion_) reduceMotion_ = &ReducedMotion::lastKnown;
    pulseTimer_.setInterval(pulseFrameMilliseconds);
    pulseTimer_.setTimerType(Qt::PreciseTimer);
    connect(&pulseTimer_, &QTimer::timeout, this, &StatusItemController::showPulseFrame);
}

void StatusItemController::apply(State state, const Inputs& inputs, bool pulse) {
    if (!button_) return;
    state_ = state;

    stateImage_ = StatusImages::image(QString::fromStdString(StatusTile::imageName(state)));
    if (!isPulsing()) show(stateImage_);

    button_->setToolTip(QString::fromStdString(StatusTile::toolTip(state, inputs)));
    accessibilityLabel_ = QString::fromStdString(StatusTile::accessibilityLabel(state, inputs));
    publishAccessibilityLabel();

    if (pulse && !reduceMotion_()) runPulse();
}

void StatusItemController::publishAccessibilityLabel() {
    if (!button_) return;
    // Qt's XEmbed tray icon is a top-level widget of its own, known only by its object name; with a
    // StatusNotifier tray there is none, and the tool tip speaks for the icon.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() != QLatin1String("QSystemTrayIconSys")) continue;
        window->setWindowTitle(accessibilityLabel_);
        window->setAccessibleName(accessibilityLabel_);
    }
}

void StatusItemController::runPulse() {
    if (!button_ || stateImage_.isNull()) return;
    // A pulse still running is replaced: the run starts over.
    pulseFrames_ = 0;
    pulseClock_.start();
    pulseTimer_.start();
    showPulseFrame();
}

void StatusItemController::showPulseFrame() {
    const double elapsed = static_cast<double>(pulseClock_.elapsed()) / 1000.0;
    if (!button_ || elapsed >= StatusTile::Pulse::totalSeconds) {
        pulseTimer_.stop();
        if (button_) show(stateImage_);
        return;
    }
    const StatusTile::Pulse::Frame frame = StatusTile::Pulse::frameAt(elapsed);
    show(StatusImages::pulseFrame(stateImage_, frame.scale, frame.opacity));
    ++pulseFrames_;
}

void StatusItemController::show(const QImage& image) {
    shownImage_ = image;
    button_->setIcon(image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image)));
}
