#include "Core/PanelModel/KeyNav.h"

#include <algorithm>

KeyNav& KeyNav::shared() {
    static KeyNav* instance = new KeyNav;
    return *instance;
}

std::string KeyNav::rowID(std::int32_t pid, int port) { return std::to_string(pid) + ":" + std::to_string(port); }

void KeyNav::setRows(std::vector<Row> rows) {
    rows_ = std::move(rows);
    if (selectedID_ && !selectedRow()) select(std::nullopt);
}

void KeyNav::move(int step) {
    if (rows_.empty()) return;
    const auto selected =
        std::find_if(rows_.begin(), rows_.end(), [&](const Row& row) { return row.id == selectedID_; });
    if (selected == rows_.end()) {
        select(step >= 0 ? rows_.front().id : rows_.back().id);
        return;
    }
    const long last = static_cast<long>(rows_.size()) - 1;
    const long index = std::clamp(static_cast<long>(selected - rows_.begin()) + step, 0L, last);
    select(rows_[static_cast<std::size_t>(index)].id);
}

void KeyNav::activate(Command command) {
    const Row* row = selectedRow();
    if (!row) return;
    // A copy: the action may replace the rows (a stop triggers a rescan and new rows).
    const Row chosen = *row;
    switch (command) {
    case Command::open:
        if (chosen.open) chosen.open();
        break;
    case Command::kill:
        if (chosen.kill) chosen.kill();
        break;
    case Command::restart:
        if (chosen.restart && *chosen.restart) (*chosen.restart)();
        break;
    }
}

void KeyNav::select(std::optional<std::string> id) {
    if (id == selectedID_) return;
    selectedID_ = std::move(id);
    observers_.notify();
}

const KeyNav::Row* KeyNav::selectedRow() const {
    if (!selectedID_) return nullptr;
    const auto found = std::find_if(rows_.begin(), rows_.end(), [&](const Row& row) { return row.id == *selectedID_; });
    return found == rows_.end() ? nullptr : &*found;
}
