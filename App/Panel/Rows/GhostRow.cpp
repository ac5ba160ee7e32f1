#include "App/Panel/Rows/GhostRow.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>

#include "App/Panel/Controls/ActivitySpinner.h"
#include "App/Panel/Controls/PanelStyle.h"
#include "App/Panel/Controls/RowStackLayout.h"
#include "App/Panel/Rows/GhostCancelButton.h"
#include "App/Panel/Rows/GhostTextButton.h"
#include "Controls/TextView.h"
#include "Core/Restart/RestartTracker.h"
#include "Core/Restart/ServerRestarter.h"

namespace {

QHBoxLayout* cluster(QWidget* owner, int spacing) {
    auto* row = new QHBoxLayout(owner);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(spacing);
    return row;
}

}  // namespace

GhostRow::GhostRow(const RestartEntry& entry, QWidget* parent)
    : QWidget(parent),
      entry_(entry),
      port_(new TextView(portText(entry), PanelStyle::systemMonoFont(12), Tint::secondary())),
      command_(new TextView(QString::fromStdString(entry.command), PanelStyle::systemMonoFont(12), Tint::secondary())),
      phase_(new TextView(phaseText(entry.phase), PanelStyle::systemFont(10), Tint::secondary())),
      progress_(new QWidget),
      spinner_(new ActivitySpinner),
      cancel_(new GhostCancelButton(entry.id)),
      failed_(new QWidget),
      retry_(new GhostTextButton(QStringLiteral("retry"), [this] { ServerRestarter::retry(entry_.id); })),
      dismiss_(new GhostTextButton(QStringLiteral("dismiss"), [this] { RestartTracker::shared().remove(entry_.id); })) {
    port_->setObjectName(QStringLiteral("port"));
    port_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    command_->setObjectName(QStringLiteral("command"));
    phase_->setObjectName(QStringLiteral("phase"));
    progress_->setObjectName(QStringLiteral("progress"));
    failed_->setObjectName(QStringLiteral("failed"));
    retry_->setObjectName(QStringLiteral("retry"));
    dismiss_->setObjectName(QStringLiteral("dismiss"));

    QHBoxLayout* inProgress = cluster(progress_, 5);
    inProgress->addWidget(spinner_);
    inProgress->addWidget(cancel_);
    QHBoxLayout* failed = cluster(failed_, 3);
    failed->addWidget(retry_);
    failed->addWidget(dismiss_);

    auto* row = new RowStackLayout(this);
    row->setContentsMargins(12, 2, 2, 2);
    row->setSpacing(8);
    row->add(port_);
    row->add(command_, -1);
    row->add(phase_);
    row->addSpacer(4);
    row->add(progress_);
    row->add(failed_);
    apply();
}

void GhostRow::setEntry(const RestartEntry& entry) {
    if (entry == entry_) return;
    entry_ = entry;
    apply();
}

QString GhostRow::portText(const RestartEntry& entry) {
    return entry.ports.empty() ? QStringLiteral(":?") : QStringLiteral(":") + QString::number(entry.ports.front());
}

QString GhostRow::phaseText(const RestartEntry::Phase& phase) {
    switch (phase.kind) {
    case RestartEntry::Phase::Kind::stopping: return QStringLiteral("stopping…");
    case RestartEntry::Phase::Kind::relaunching: return QStringLiteral("restarting…");
    case RestartEntry::Phase::Kind::failed: break;
    }
    return QString::fromStdString(phase.message);
}

double GhostRow::contentOpacity() const { return entry_.phase.isFailed() ? 1.0 : inProgressOpacity; }

void GhostRow::apply() {
    const bool failed = entry_.phase.isFailed();
    port_->setText(portText(entry_));
    command_->setText(QString::fromStdString(entry_.command));
    phase_->setText(phaseText(entry_.phase));
    phase_->setTint(failed ? Tint::systemRed() : Tint::secondary());
    cancel_->setEntryID(entry_.id);
    progress_->setVisible(!failed);
    failed_->setVisible(failed);
    if (failed) {
        setGraphicsEffect(nullptr);
    } else if (!graphicsEffect()) {
        auto* fade = new QGraphicsOpacityEffect(this);
        fade->setOpacity(inProgressOpacity);
        setGraphicsEffect(fade);
    }
}
