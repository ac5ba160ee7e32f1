#include "App/Panel/Header/PanelHeader.h"

#include <QHBoxLayout>

#include "App/Panel/Controls/ActivitySpinner.h"
#include "App/Panel/Controls/PanelStyle.h"
#include "App/Panel/Controls/RescanButton.h"
#include "App/Panel/Header/SettingsGearButton.h"
#include "Controls/CapsuleLabel.h"
#include "Controls/TextView.h"
#include "Look/Brand.h"

namespace {

CapsuleLabel::Look chipLook() {
    return {.font = PanelStyle::monoFont(10.5),
            .text = Tint::of(ThemeColor::secondary),
            .fill = Tint::of(ThemeColor::chipBg),
            .padding = QMarginsF(9, 2, 9, 2)};
}

}  // namespace

PanelHeader::PanelHeader(QWidget* parent)
    : QWidget(parent),
      countChip_(new CapsuleLabel(QStringLiteral("0 servers"), chipLook())),
      scanningIndicator_(new QWidget),
      rescan_(new RescanButton),
      gear_(new SettingsGearButton) {
    countChip_->setObjectName(QStringLiteral("countChip"));
    scanningIndicator_->setObjectName(QStringLiteral("scanningIndicator"));
    auto* indicator = new QHBoxLayout(scanningIndicator_);
    indicator->setContentsMargins(0, 0, 0, 0);
    indicator->setSpacing(5);
    indicator->addWidget(new ActivitySpinner);
    indicator->addWidget(
        new TextView(QStringLiteral("Scanning ports…"), PanelStyle::monoFont(10.5), Tint::of(ThemeColor::secondary)));
    scanningIndicator_->hide();

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 12, 12, 8);
    row->setSpacing(8);
    row->addWidget(Brand::wordmark(15), 0, Qt::AlignVCenter);
    row->addStretch(1);
    row->addWidget(countChip_, 0, Qt::AlignVCenter);
    row->addWidget(scanningIndicator_, 0, Qt::AlignVCenter);
    row->addWidget(rescan_, 0, Qt::AlignVCenter);
    row->addWidget(gear_, 0, Qt::AlignVCenter);
    connect(rescan_, &QAbstractButton::clicked, this, &PanelHeader::rescanClicked);
}

void PanelHeader::show(const QString& countText, bool firstScan, bool scanning) {
    countChip_->setText(countText);
    countChip_->setVisible(!firstScan);
    scanningIndicator_->setVisible(firstScan);
    rescan_->setSpinning(scanning);
}
