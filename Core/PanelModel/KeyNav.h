#pragma once
// Keyboard selection in the open panel: the rows the panel shows, top to bottom, and which of them
// is selected. The panel hands over its rows whenever their set or order changes; the key monitor
// moves the selection and runs the selected row's actions; the rows read the selection to draw it.
//
// One process-wide instance; main thread only. Observers hear of every change of the selection
// (changing the rows alone tells nobody, unless it clears the selection).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Platform/ObserverList.h"

class KeyNav {
public:
    using Action = std::function<void()>;

    struct Row {
        std::string id;  // "<pid>:<port>", unique among the rows
        Action open;
        Action kill;                    // asks to stop with signal 15 (the one-time warning first when due)
        std::optional<Action> restart;  // absent when the server cannot be restarted
    };

    enum class Command { open, kill, restart };

    using Token = Platform::ObserverList<>::Token;

    static KeyNav& shared();

    // "<pid>:<port>" in decimal.
    static std::string rowID(std::int32_t pid, int port);

    const std::optional<std::string>& selectedID() const { return selectedID_; }
    const std::vector<Row>& rows() const { return rows_; }

    // Replaces the rows; a selection whose row is gone is cleared.
    void setRows(std::vector<Row> rows);
    // Selects the row `step` places from the selected one, clamped to the first and last row (no
    // wrap-around). Without a selected row: the first row for a step of 0 or more, else the last.
    void move(int step);
    // Runs the selected row's action; nothing without a selected row or without that action.
    void activate(Command command);
    void select(std::optional<std::string> id);
    void clearSelection() { select(std::nullopt); }

    Token subscribe(std::function<void()> observer) { return observers_.subscribe(std::move(observer)); }
    void unsubscribe(Token token) { observers_.unsubscribe(token); }

private:
    const Row* selectedRow() const;

    std::optional<std::string> selectedID_;
    std::vector<Row> rows_;
    Platform::ObserverList<> observers_;
};
