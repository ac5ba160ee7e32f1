#include "App/Panel/Controls/ButtonLooks.h"

#include "App/Panel/Controls/PanelStyle.h"

namespace ButtonLooks {

TextButton::Look stopConfirm() {
    return {.font = PanelStyle::systemFont(11, QFont::DemiBold),
            .padding = QMarginsF(11, 3, 11, 3),
            .radius = 7,
            .text = Tint::white(),
            .fill = Tint::of(ThemeColor::red)};
}

TextButton::Look stopForce() {
    return {.font = PanelStyle::systemFont(11, QFont::DemiBold),
            .padding = QMarginsF(11, 3, 11, 3),
            .radius = 7,
            .text = Tint::of(ThemeColor::red),
            .stroke = Tint::of(ThemeColor::red)};
}

TextButton::Look barCancel() {
    return {.font = PanelStyle::systemFont(11, QFont::DemiBold),
            .padding = QMarginsF(11, 3, 11, 3),
            .radius = 7,
            .text = Tint::of(ThemeColor::secondary),
            .stroke = Tint::of(ThemeColor::hairline)};
}

TextButton::Look cardCancel() {
    return {.font = PanelStyle::systemFont(11.5, QFont::DemiBold),
            .padding = QMarginsF(12, 4, 12, 4),
            .radius = 7,
            .text = Tint::of(ThemeColor::secondary),
            .stroke = Tint::of(ThemeColor::faint, 0.5)};
}

TextButton::Look cardConfirm() {
    return {.font = PanelStyle::systemFont(11.5, QFont::DemiBold),
            .padding = QMarginsF(14, 4, 14, 4),
            .radius = 7,
            .text = Tint::white(),
            .fill = Tint::of(ThemeColor::red)};
}

TextButton::Look stopAll() {
    return {.font = PanelStyle::systemFont(10.5, QFont::Medium),
            .padding = QMarginsF(8, 2, 8, 2),
            .radius = 6,
            .text = Tint::of(ThemeColor::muted),
            .hoveredText = Tint::of(ThemeColor::red),
            .disabledText = Tint::of(ThemeColor::faint),
            .hoveredFill = Tint::of(ThemeColor::red, 0.09),
            .stroke = Tint::of(ThemeColor::hairline),
            .hoveredStroke = Tint::of(ThemeColor::red, 0.5)};
}

TextButton::Look ghostText() {
    return {.font = PanelStyle::systemFont(10, QFont::Medium),
            .padding = QMarginsF(5, 2, 5, 2),
            .radius = 4,
            .text = Tint::secondary(),
            .hoveredText = Tint::accent(),
            .stroke = Tint::tertiary(),
            .strokeWidth = 0.5};
}

TextButton::Look stateAction() {
    return {.font = PanelStyle::systemFont(11, QFont::DemiBold), .text = Tint::of(ThemeColor::alive)};
}

TextButton::Look port(bool showProject, bool inConflict) {
    return {.font = PanelStyle::monoFont(showProject ? 13 : 12.5, QFont::DemiBold),
            .text = Tint::of(inConflict ? ThemeColor::red : ThemeColor::port)};
}

TextButton* makeStopConfirmButton(const QString& title, QWidget* parent) {
    return new TextButton(title, stopConfirm(), parent);
}

}  // namespace ButtonLooks
