#pragma once
// The window of an update check the user asked for, while it runs: "Checking for updates…" over a
// busy bar, with Cancel, under the update dialogs' title. It comes up the moment the check starts,
// comes forward whenever the user asks again meanwhile, and goes when the check ends, just before
// the answer shows. Cancel, Escape and the window's close button cancel the check. Non-modal; main
// thread only.

class AppUpdater;

namespace UpdateProgressDialog {

inline constexpr const char* objectName = "updateProgressDialog";

// Shows the updater's user checks from now on, for as long as both live.
void follow(AppUpdater& updater);

}  // namespace UpdateProgressDialog
