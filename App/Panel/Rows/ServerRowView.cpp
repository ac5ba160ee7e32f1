#include "App/Panel/Rows/ServerRowView.h"

#include <QContextMenuEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>

#include "App/Panel/Controls/ButtonLooks.h"
#include "App/Panel/Controls/PanelStyle.h"
#include "App/Panel/Controls/RowStackLayout.h"
#include "App/Panel/Controls/Visibility.h"
#include "App/Panel/Rows/CopyURLButton.h"
#include "App/Panel/Rows/KillArmButton.h"
#include "App/Panel/Rows/KillConfirmCluster.h"
#include "App/Panel/Rows/RestartServerButton.h"
#include "App/Panel/Rows/RestartedPill.h"
#include "App/Panel/Rows/RevealFolderButton.h"
#include "App/Panel/Rows/RowMetricsView.h"
#include "App/Panel/Rows/RowProgress.h"
#include "Controls/CapsuleLabel.h"
#include "Controls/TextView.h"
#include "Core/PanelModel/KeyNav.h"
#include "Shared/LocalhostURL.h"

namespace {

const QMargins padding(8, 3, 5, 3);
constexpr qreal cornerRadius = 8;

QString text(const std::string& value) { return QString::fromStdString(value); }

// The monospaced look of the "NEW" and "container" marks, in a Theme colour.
CapsuleLabel::Look rowMarkLook(ThemeColor color, qreal fillOpacity) {
    QFont font = PanelStyle::monoFont(9, QFont::DemiBold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    return {.font = font,
            .text = Tint::of(color),
            .fill = Tint::of(color, fillOpacity),
            .padding = QMarginsF(6, 1.5, 6, 1.5)};
}

std::vector<RowMetricsView::Metric> metricsOf(const ServerRowView::Inputs& inputs) {
    const DevServer& server = inputs.server;
    std::vector<RowMetricsView::Metric> metrics{
        {"ph-cpu-light", text(RowText::percent(server.cpu)),
         server.cpu >= PanelModel::hotCPU ? ThemeColor::red : ThemeColor::faint},
        {"ph-memory-light", text(RowText::memory(server)), ThemeColor::faint},
    };
    if (const std::optional<std::string> uptime = RowText::uptime(server))
        metrics.push_back({"ph-clock-light", text(*uptime), ThemeColor::faint});
    return metrics;
}

}  // namespace

const QString& ServerRowView::keptAliveReason() {
    static const QString reason = QStringLiteral(
        "macOS is set to keep this service running, so stopping it here would only make it start again. Stop it "
        "where it's managed, such as launchctl, brew services, or the app's own settings.");
    return reason;
}

ServerRowView::ServerRowView(const Inputs& inputs, Actions actions, const RowTrackerState& trackers, QWidget* parent)
    : QWidget(parent),
      actions_(std::move(actions)),
      content_(new QWidget(this)),
      layout_(new RowStackLayout(content_)),
      port_(new TextButton(QString(), ButtonLooks::port(inputs.showProject, inputs.inConflict))),
      project_(new TextView(QString(), PanelStyle::systemFont(12, QFont::Medium), Tint::of(ThemeColor::ink))),
      command_(new TextView(QString(), PanelStyle::monoFont(12), Tint::of(ThemeColor::secondary))),
      newMark_(new CapsuleLabel(QStringLiteral("NEW"), rowMarkLook(ThemeColor::alive, 0.14))),
      containerMark_(new CapsuleLabel(QStringLiteral("container"), rowMarkLook(ThemeColor::port, 0.12))),
      pid_(new TextView(QString(), PanelStyle::monoFont(10.5), Tint::of(ThemeColor::faint))),
      metrics_(new RowMetricsView) {
    setFixedHeight(rowHeight);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    port_->setObjectName(QStringLiteral("port"));
    project_->setObjectName(QStringLiteral("project"));
    project_->setMinimumTextWidth(54);
    command_->setObjectName(QStringLiteral("command"));
    newMark_->setObjectName(QStringLiteral("new"));
    containerMark_->setObjectName(QStringLiteral("container"));
    pid_->setObjectName(QStringLiteral("pid"));
    pid_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    metrics_->setObjectName(QStringLiteral("metrics"));

    layout_->setSpacing(8);
    layout_->add(port_);
    layout_->add(project_, 1);
    layout_->add(command_, -1);  // the first to give up width
    layout_->add(newMark_);
    layout_->add(containerMark_);
    layout_->add(pid_);
    layout_->addSpacer(6);
    layout_->add(metrics_);

    connect(port_, &QAbstractButton::clicked, this, [this] {
        if (actions_.openLocalhost) actions_.openLocalhost(inputs_.port, inputs_.server.pgid);
    });

    inputs_.port = -1;  // nothing is filled yet: every part takes its first value
    fill(inputs);
    refresh(trackers);
}

void ServerRowView::setInputs(const Inputs& inputs, const RowTrackerState& trackers) {
    fill(inputs);
    refresh(trackers);
}

void ServerRowView::fill(const Inputs& next) {
    const DevServer& server = next.server;
    if (next.port != inputs_.port) {
        port_->setText(QStringLiteral(":") + QString::number(next.port));
        port_->setAccessibleName(QStringLiteral("Open localhost port %1 in browser").arg(next.port));
    }
    if (next.port != inputs_.port || next.inConflict != inputs_.inConflict) {
        port_->setToolTip(next.inConflict ? QStringLiteral("Port %1 is claimed by another server too").arg(next.port)
                                          : QStringLiteral("Open ") + text(localhostURL(next.port)));
    }
    port_->setLook(ButtonLooks::port(next.showProject, next.inConflict));
    project_->setText(text(next.project.name));
    setShown(project_, next.showProject);
    command_->setText(text(server.command));
    pid_->setText(QStringLiteral("#") + QString::number(server.pid));
    metrics_->setMetrics(next.energyHigh, metricsOf(next));

    inputs_ = next;
    availability_.reset();
    rowID_ = KeyNav::rowID(server.pid, next.port);
}

const ServerRowView::ActionAvailability& ServerRowView::actionAvailability() {
    if (!availability_)
        availability_ = ActionAvailability{.reveal = RowActions::isExistingDirectory(inputs_.project.path),
                                           .restart = PanelModel::canRestart(inputs_.server)};
    return *availability_;
}

void ServerRowView::refresh() { refresh(RowTrackerState::current()); }

void ServerRowView::refresh(const RowTrackerState& trackers) {
    state_ = ServerRowState::derive(inputs_.server, rowID_, trackers, armedRowID());
    applyState();
}

std::optional<std::string> ServerRowView::armedRowID() const {
    return actions_.killArmedRowID ? actions_.killArmedRowID() : std::nullopt;
}

void ServerRowView::setArmedRow(std::optional<std::string> id) {
    if (actions_.setKillArmedRowID) actions_.setKillArmedRowID(std::move(id));
    state_.armed = armedRowID() == rowID_;
    applyState();
}

void ServerRowView::applyState() {
    const bool marks = state_.showsMarks(hovered_);
    const bool container = inputs_.server.containerID.has_value();
    setShown(newMark_, marks && inputs_.isNew);
    setShown(containerMark_, marks && container);
    setShown(pid_, marks && !container && inputs_.showPID);
    if (state_.restarted && !pill_) {
        pill_ = new RestartedPill;
        pill_->setObjectName(QStringLiteral("restarted"));
        layout_->insert(layout_->indexOf(pid_) + 1, pill_);
    }
    if (pill_) setShown(pill_, state_.restarted);
    port_->setUnderlined(hovered_);
    showTrailing(state_.trailing(hovered_));
    setContentOpacity(state_.contentOpacity(inputs_.dimmed));
    const std::pair<QRgb, QRgb> background(backgroundColor().rgba(), outlineColor().rgba());
    if (background != paintedBackground_) {
        paintedBackground_ = background;
        update();
    }
}

void ServerRowView::showTrailing(RowTrailing trailing) {
    setShown(metrics_, trailing == RowTrailing::metrics);

    if (trailing == RowTrailing::actions) {
        QWidget* bar = actionBar();
        copy_->setPort(inputs_.port);
        reveal_->setProject(inputs_.project.name, inputs_.project.path);
        setShown(reveal_, actionAvailability().reveal);
        restart_->setCommand(inputs_.server.command);
        setShown(restart_, actionAvailability().restart);
        arm_->setDisabledReason(inputs_.server.keptAlive.value_or(false) ? std::optional(keptAliveReason())
                                                                         : std::nullopt);
        setShown(bar, true);
    } else if (actionBar_) {
        setShown(actionBar_, false);
    }

    if (trailing == RowTrailing::confirmation) setShown(confirmation(), true);
    else if (confirmation_) setShown(confirmation_, false);

    const bool busy = trailing == RowTrailing::restartStopping || trailing == RowTrailing::containerAction ||
                      trailing == RowTrailing::processStopping;
    if (busy) {
        const bool restarting = trailing == RowTrailing::containerAction &&
                                state_.containerPhase == ContainerActionTracker::Phase::restarting;
        progress()->setNote(restarting ? QStringLiteral("restarting…") : QStringLiteral("stopping…"),
                            trailing == RowTrailing::restartStopping ? state_.restartEntryID : std::nullopt);
        setShown(progress_, true);
    } else if (progress_) {
        setShown(progress_, false);
    }
}

template <typename Part>
Part* ServerRowView::addTrailing(Part* part, const char* name) {
    part->setObjectName(QString::fromLatin1(name));
    part->hide();  // shown by showTrailing when its turn comes
    layout_->add(part);
    return part;
}

QWidget* ServerRowView::actionBar() {
    if (actionBar_) return actionBar_;
    actionBar_ = addTrailing(new QWidget, "actions");
    copy_ = new CopyURLButton(inputs_.port);
    reveal_ = new RevealFolderButton(inputs_.project.name, inputs_.project.path);
    restart_ = new RestartServerButton(inputs_.server.command);
    arm_ = new KillArmButton;
    auto* row = new QHBoxLayout(actionBar_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(3);
    for (QWidget* button : std::initializer_list<QWidget*>{copy_, reveal_, restart_, arm_}) row->addWidget(button);
    connect(restart_, &QAbstractButton::clicked, this, [this] {
        // Copies: the restart redraws the panel, which refills this row's inputs meanwhile.
        const DevServer server = inputs_.server;
        const DevProject project = inputs_.project;
        if (actions_.restartServer) actions_.restartServer(server, project);
    });
    connect(arm_, &QAbstractButton::clicked, this, [this] { setArmedRow(rowID_); });
    return actionBar_;
}

KillConfirmCluster* ServerRowView::confirmation() {
    if (confirmation_) return confirmation_;
    confirmation_ = addTrailing(new KillConfirmCluster, "confirmation");
    connect(confirmation_, &KillConfirmCluster::signalChosen, this, [this](std::int32_t signal) {
        // A copy: the stop may lead the owner to replace this row's inputs.
        const DevServer server = inputs_.server;
        if (actions_.killServer) actions_.killServer(server, signal);
        setArmedRow(std::nullopt);
    });
    connect(confirmation_, &KillConfirmCluster::cancelled, this, [this] { setArmedRow(std::nullopt); });
    return confirmation_;
}

RowProgress* ServerRowView::progress() {
    if (!progress_) progress_ = addTrailing(new RowProgress, "progress");
    return progress_;
}

void ServerRowView::setContentOpacity(double opacity) {
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(content_->graphicsEffect());
    if (opacity >= 1.0) {
        if (effect) content_->setGraphicsEffect(nullptr);
        return;
    }
    if (!effect) {
        effect = new QGraphicsOpacityEffect(content_);
        content_->setGraphicsEffect(effect);
    }
    if (effect->opacity() != opacity) effect->setOpacity(opacity);
}

QColor ServerRowView::backgroundColor() const {
    if (state_.armed) return Tint::of(ThemeColor::red, 0.06).resolve(palette());
    if (state_.selected) return Tint::of(ThemeColor::alive, 0.1).resolve(palette());
    if (hovered_) return Tint::of(ThemeColor::rowHover).resolve(palette());
    return QColor(Qt::transparent);
}

QColor ServerRowView::outlineColor() const {
    if (state_.armed) return Tint::of(ThemeColor::red, 0.25).resolve(palette());
    if (state_.selected) return Tint::of(ThemeColor::alive, 0.45).resolve(palette());
    return QColor(Qt::transparent);
}

QMenu* ServerRowView::makeContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    const DevServer server = inputs_.server;
    const QString url = text(localhostURL(inputs_.port));
    menu->addAction(QStringLiteral("Copy ") + url, menu, [url] { RowActions::copyToClipboard(url); });
    const QString hide = QStringLiteral("Hide :%1 (%2)").arg(inputs_.port).arg(text(server.command));
    menu->addAction(hide, menu, [hideServer = actions_.hideServer, server] {
        if (hideServer) hideServer(server);
    });
    return menu;
}

QSize ServerRowView::sizeHint() const {
    const QSize content = layout_->sizeHint();
    return {content.width() + padding.left() + padding.right(), rowHeight};
}

QSize ServerRowView::minimumSizeHint() const {
    const QSize content = layout_->minimumSize();
    return {content.width() + padding.left() + padding.right(), rowHeight};
}

void ServerRowView::paintEvent(QPaintEvent*) {
    const QColor fill = backgroundColor();
    const QColor outline = outlineColor();
    if (fill.alpha() == 0 && outline.alpha() == 0) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(fill.alpha() > 0 ? QBrush(fill) : Qt::NoBrush);
    painter.setPen(outline.alpha() > 0 ? QPen(outline, 1) : Qt::NoPen);
    const qreal inset = outline.alpha() > 0 ? 0.5 : 0;
    painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), cornerRadius, cornerRadius);
}

void ServerRowView::resizeEvent(QResizeEvent* event) {
    content_->setGeometry(rect().marginsRemoved(padding));
    QWidget::resizeEvent(event);
}

void ServerRowView::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    // Moving onto another row closes a stop confirmation left open there.
    if (const std::optional<std::string> armed = armedRowID(); armed && *armed != rowID_) setArmedRow(std::nullopt);
    else applyState();
    QWidget::enterEvent(event);
}

void ServerRowView::leaveEvent(QEvent* event) {
    hovered_ = false;
    applyState();
    QWidget::leaveEvent(event);
}

void ServerRowView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = makeContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
