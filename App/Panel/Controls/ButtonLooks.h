#pragma once
// The looks of the panel's text buttons, each defined once, and the builder of the red stop label
// that a row's "Kill" and a project's "Stop all" confirmation share.

#include <QString>

#include "App/Panel/Controls/TextButton.h"

namespace ButtonLooks {

// White semibold 11 pt on a red rounded rectangle: a stop confirmed.
TextButton::Look stopConfirm();
// Red text in a red outline: a row's "Force".
TextButton::Look stopForce();
// Secondary text in a hairline outline: the stop-all bar's "Cancel".
TextButton::Look barCancel();
// The warning card's "Cancel" and its confirm button.
TextButton::Look cardCancel();
TextButton::Look cardConfirm();
// A project header's "Stop all".
TextButton::Look stopAll();
// A ghost row's "retry" and "dismiss".
TextButton::Look ghostText();
// Semibold 11 pt in the alive colour, no frame: the empty list's "Rescan now" and no results'
// "Clear search".
TextButton::Look stateAction();
// A row's port: monospaced semibold, larger in the flat list, red when the port is claimed twice.
TextButton::Look port(bool showProject, bool inConflict);

// The stop confirmation button with the given title ("Kill", "Stop all"), with the pointing hand.
TextButton* makeStopConfirmButton(const QString& title, QWidget* parent = nullptr);

}  // namespace ButtonLooks
