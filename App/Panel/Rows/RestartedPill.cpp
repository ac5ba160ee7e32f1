#include "App/Panel/Rows/RestartedPill.h"

#include "App/Panel/Controls/PanelStyle.h"

RestartedPill::RestartedPill(QWidget* parent)
    : CapsuleLabel(QStringLiteral("restarted"),
                   {.font = PanelStyle::systemFont(9, QFont::DemiBold),
                    .text = Tint::of(BrandColor::alive),
                    .fill = Tint::of(BrandColor::alive, 0.15),
                    .padding = QMarginsF(5, 1.5, 5, 1.5)},
                   parent) {}
