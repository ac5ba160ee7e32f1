#pragma once
// The module's two in-process notifications.
// - shortcutByNameDidChange ("GlobalShortcuts_shortcutByNameDidChange"): after every change of a
//   stored shortcut made through the module, with the name whose shortcut changed.
// - recorderActiveStatusDidChange ("GlobalShortcuts_recorderActiveStatusDidChange"): a recorder
//   field started (true) or stopped (false) recording.
//
// Posted on the main thread; observers run there, in order of subscription. A Platform::Subscription
// keeps an observer for its own lifetime.

#include "GlobalShortcuts/Name.h"
#include "Platform/ObserverList.h"

namespace GlobalShortcuts::Notifications {

inline constexpr const char* shortcutByNameDidChangeName = "GlobalShortcuts_shortcutByNameDidChange";
inline constexpr const char* recorderActiveStatusDidChangeName = "GlobalShortcuts_recorderActiveStatusDidChange";

Platform::ObserverList<Name>& shortcutByNameDidChange();
Platform::ObserverList<bool>& recorderActiveStatusDidChange();

}  // namespace GlobalShortcuts::Notifications
