#include "Core/PanelModel/LeaveSearch.h"

namespace LeaveSearch {

namespace {

Platform::ObserverList<>& observers() {
    static auto* list = new Platform::ObserverList<>;
    return *list;
}

}  // namespace

Token observe(std::function<void()> observer) { return observers().subscribe(std::move(observer)); }

void stopObserving(Token token) { observers().unsubscribe(token); }

void post() { observers().notify(); }

}  // namespace LeaveSearch
