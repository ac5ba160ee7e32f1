#include "App/Panel/MenuContentView.h"

#include <QKeyEvent>
#include <QLayout>
#include <QPainter>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include "App/Panel/Controls/PointerHover.h"
#include "App/Panel/Header/PanelHeader.h"
#include "App/Panel/List/ServerList.h"
#include "App/Panel/Rows/ServerRowState.h"
#include "App/Panel/ServerArea.h"
#include "App/Panel/Warning/KillWarningOverlay.h"
#include "Core/PanelModel/KeyNav.h"
#include "Core/PanelModel/PanelText.h"
#include "Core/Restart/RestartTracker.h"
#include "Core/Trackers/ContainerActionTracker.h"
#include "Core/Trackers/KillTracker.h"
#include "Look/Theme.h"

namespace {

// Above and below the warning card, at least.
constexpr int cardRoom = 18;

}  // namespace

MenuContentView::MenuContentView(PanelModel::Environment environment, std::function<bool()> reduceMotion,
                                 QWidget* parent)
    : QWidget(parent),
      model_(std::make_unique<PanelModel>(std::move(environment))),
      header_(new PanelHeader),
      area_(new ServerArea(*model_, std::move(reduceMotion))),
      overlay_(new KillWarningOverlay(this)),
      tick_(new QTimer(this)) {
    setFixedWidth(panelWidth);
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addWidget(header_);
    stack->addWidget(area_);

    connect(header_, &PanelHeader::rescanClicked, this, [this] { model_->rescan(); });
    connect(overlay_, &KillWarningOverlay::confirmed, this, [this] { model_->confirmPendingKill(); });
    connect(overlay_, &KillWarningOverlay::cancelled, this, [this] { model_->cancelPendingKill(); });

    tick_->setInterval(PanelModel::tickInterval);
    tick_->setTimerType(Qt::PreciseTimer);
    connect(tick_, &QTimer::timeout, this, [this] { model_->tick(); });

    // Command-F on the platform's key: into the filter field.
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] { model_->setSearchFocused(true); });

    subscriptions_.emplace_back(*model_, [this](const PanelModel::Changes& changes) { showModel(changes); });
    const auto refreshRows = [this] { area_->list()->refreshRows(); };
    subscriptions_.emplace_back(KillTracker::shared(), refreshRows);
    subscriptions_.emplace_back(ContainerActionTracker::shared(), refreshRows);
    // The "restarted" marks come and go without the model seeing a change.
    subscriptions_.emplace_back(RestartTracker::shared(), refreshRows);
    subscriptions_.emplace_back(KeyNav::shared(), [this] {
        area_->list()->refreshRows();
        if (const auto& selected = KeyNav::shared().selectedID()) area_->list()->reveal(*selected);
    });
    const LeaveSearch::Token leaveSearch = LeaveSearch::observe([this] { model_->setSearchFocused(false); });
    subscriptions_.emplace_back([leaveSearch] { LeaveSearch::stopObserving(leaveSearch); });

    showModel(~0u);
}

void MenuContentView::snapshotWritten(Platform::Date scannedAt) { model_->snapshotWritten(scannedAt, isVisible()); }

bool MenuContentView::isShowingWarning() const { return overlay_->isPresented(); }

bool MenuContentView::dismissConfirmation() {
    if (!model_->killArmedRowID() && !model_->killAllArmed()) return false;
    model_->setKillArmedRowID(std::nullopt);
    model_->setKillAllArmed(std::nullopt);
    return true;
}

void MenuContentView::showModel(PanelModel::Changes changes) {
    const PanelDerivation& derived = model_->derived();
    const bool firstScan = model_->isScanning() && !model_->snapshot();
    header_->show(
        QString::fromStdString(PanelText::countChip(derived.isSearching, derived.matchCount, derived.totalServers)),
        firstScan, model_->isScanning());

    constexpr PanelModel::Changes listChanges = PanelModel::snapshotChanged | PanelModel::prefsChanged |
                                                PanelModel::searchChanged | PanelModel::restartsChanged |
                                                PanelModel::killAllArmedChanged;
    const bool listChanged = (changes & listChanges) != 0;
    area_->showModel(listChanged);
    // A reload has given the rows their state already.
    if ((changes & PanelModel::rowArmedChanged) && !listChanged) area_->list()->refreshRows();
    fitWindowToContent();

    if (changes & PanelModel::pendingKillChanged) {
        if (const auto& pending = model_->pendingKill()) {
            overlay_->present(pending->isContainer(), pending->signal);
            // A short panel (one row, say) grows until the card fits on it; the card follows the resize.
            if (!restingMinimumHeight_) restingMinimumHeight_ = minimumHeight();
            setMinimumHeight(std::max(*restingMinimumHeight_, overlay_->card()->height() + 2 * cardRoom));
        } else {
            overlay_->cancel();  // gone by another way than the card's own answer: nothing more to do
            if (restingMinimumHeight_) setMinimumHeight(*std::exchange(restingMinimumHeight_, std::nullopt));
        }
    }
    // States, rows, the card: whatever now lies under the pointer is what is hovered.
    PointerHover::sync(this);
}

// Each layout on the way up would otherwise wait for a request of its own, posted once the one below
// has run, and a paint in between would show the footer over the last rows or a gap under them.
void MenuContentView::fitWindowToContent() {
    for (QWidget* widget = area_->list(); widget; widget = widget->parentWidget()) {
        if (QLayout* layout = widget->layout()) layout->activate();
        if (widget->isWindow()) break;
    }
}

bool MenuContentView::eventFilter(QObject* watched, QEvent* event) {
    // Escape comes up to the window when nothing below took it (the key monitor has cleared the
    // selection by then); an open confirmation takes it before the window would close.
    if (watched == window() && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && dismissConfirmation())
        return true;
    return QWidget::eventFilter(watched, event);
}

void MenuContentView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (window() != this) window()->installEventFilter(this);
    model_->appear();
    tick_->start();
}

void MenuContentView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (window() != this) window()->removeEventFilter(this);
    tick_->stop();
}

void MenuContentView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::color(ThemeColor::card, *this));
}
