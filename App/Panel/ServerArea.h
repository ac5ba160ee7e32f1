#pragma once
// Everything of the panel below its header, in exactly one of its states: skeleton rows until a
// snapshot has been read; "No dev servers running" when there is nothing; otherwise the list state:
// the conflict banner (not while searching), the list or "No servers match …", and the footer.
// It shows what the model holds and hands the user's answers back to it. Main thread only.

#include <functional>

#include <QWidget>

class ConflictBanner;
class EmptyState;
class LoadingState;
class NoResultsState;
class PanelFooter;
class PanelModel;
class ServerList;

class ServerArea : public QWidget {
    Q_OBJECT
public:
    enum class State { loading, empty, list };

    ServerArea(PanelModel& model, std::function<bool()> reduceMotion, QWidget* parent = nullptr);

    // Shows the model's state; `listChanged`: the rows themselves may have changed (a new snapshot,
    // search, order, grouping, restarts or armed stop-all), so the list is rebuilt.
    void showModel(bool listChanged);

    State state() const { return state_; }
    LoadingState* loadingState() const { return loading_; }
    EmptyState* emptyState() const { return empty_; }
    ConflictBanner* conflictBanner() const { return banner_; }
    NoResultsState* noResultsState() const { return noResults_; }
    ServerList* list() const { return list_; }
    PanelFooter* footer() const { return footer_; }

private:
    PanelModel& model_;
    State state_ = State::loading;
    LoadingState* loading_;
    EmptyState* empty_;
    QWidget* listState_;
    ConflictBanner* banner_;
    NoResultsState* noResults_;
    ServerList* list_;
    PanelFooter* footer_;
};
