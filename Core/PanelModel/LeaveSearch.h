#pragma once
// The in-process notification "io.kestrow.v3lk.leaveSearch": the key monitor asks the panel to take
// the focus away from its filter field (Escape or Down while typing in it). No payload.
//
//   const auto token = LeaveSearch::observe([this] { searchField->clearFocus(); });
//   ...
//   LeaveSearch::stopObserving(token);
//
// Posted and observed on the main thread; observers run in order of observation.

#include <functional>

#include "Platform/ObserverList.h"

namespace LeaveSearch {

using Token = Platform::ObserverList<>::Token;

Token observe(std::function<void()> observer);
void stopObserving(Token token);
void post();

}  // namespace LeaveSearch
