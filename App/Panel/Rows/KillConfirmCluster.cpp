#include "App/Panel/Rows/KillConfirmCluster.h"

#include <QHBoxLayout>

#include "App/Panel/Controls/ButtonLooks.h"
#include "App/Panel/Controls/IconButton.h"
#include "App/Panel/Controls/PanelStyle.h"
#include "Controls/TextView.h"
#include "Core/PanelModel/StopRoad.h"

KillConfirmCluster::KillConfirmCluster(QWidget* parent)
    : QWidget(parent),
      kill_(ButtonLooks::makeStopConfirmButton(QStringLiteral("Kill"))),
      force_(new TextButton(QStringLiteral("Force"), ButtonLooks::stopForce())),
      cancel_(
          new IconButton("ph-x-light", QSizeF(11, 11), QSize(20, 20), {.normal = Tint::of(ThemeColor::secondary)})) {
    auto* question = new TextView(QStringLiteral("Stop this server?"), PanelStyle::systemFont(11, QFont::DemiBold),
                                  Tint::of(ThemeColor::red));
    question->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    kill_->setObjectName(QStringLiteral("kill"));
    kill_->setToolTip(QStringLiteral("Stop gracefully (SIGTERM)"));
    force_->setObjectName(QStringLiteral("force"));
    force_->setToolTip(QStringLiteral("Force stop (SIGKILL)"));
    force_->setAccessibleName(QStringLiteral("Force kill (SIGKILL)"));
    cancel_->setObjectName(QStringLiteral("cancel"));
    cancel_->setHelp(QStringLiteral("Cancel"), QStringLiteral("Cancel"));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(question);
    row->addWidget(kill_);
    row->addWidget(force_);
    row->addWidget(cancel_);

    connect(kill_, &QAbstractButton::clicked, this, [this] { emit signalChosen(StopRoad::stopSignal); });
    connect(force_, &QAbstractButton::clicked, this, [this] { emit signalChosen(StopRoad::forceStopSignal); });
    connect(cancel_, &QAbstractButton::clicked, this, &KillConfirmCluster::cancelled);
}
