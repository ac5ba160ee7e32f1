#include "App/Panel/ServerArea.h"

#include <QVBoxLayout>

#include "App/Panel/Controls/SearchField.h"
#include "App/Panel/Footer/PanelFooter.h"
#include "App/Panel/List/ServerList.h"
#include "App/Panel/States/ConflictBanner.h"
#include "App/Panel/States/EmptyState.h"
#include "App/Panel/States/LoadingState.h"
#include "App/Panel/States/NoResultsState.h"
#include "Core/PanelModel/PanelModel.h"
#include "Core/PanelModel/PanelText.h"

ServerArea::ServerArea(PanelModel& model, std::function<bool()> reduceMotion, QWidget* parent)
    : QWidget(parent),
      model_(model),
      loading_(new LoadingState(std::move(reduceMotion))),
      empty_(new EmptyState),
      listState_(new QWidget),
      banner_(new ConflictBanner),
      noResults_(new NoResultsState),
      list_(new ServerList(model)),
      footer_(new PanelFooter) {
    auto* listColumn = new QVBoxLayout(listState_);
    listColumn->setContentsMargins(0, 0, 0, 0);
    listColumn->setSpacing(0);
    listColumn->addWidget(banner_);
    listColumn->addWidget(noResults_);
    listColumn->addWidget(list_);
    listColumn->addWidget(footer_);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(loading_);
    column->addWidget(empty_);
    column->addWidget(listState_);
    empty_->hide();
    listState_->hide();

    connect(empty_, &EmptyState::rescanClicked, this, [this] { model_.rescan(); });
    connect(noResults_, &NoResultsState::clearClicked, this, [this] { model_.setSearchQuery({}); });
    connect(footer_, &PanelFooter::searchEdited, this,
            [this](const QString& text) { model_.setSearchQuery(text.toStdString()); });
    connect(footer_, &PanelFooter::searchFocusChanged, this,
            [this](bool focused) { model_.setSearchFocused(focused); });
    connect(footer_, &PanelFooter::sortChosen, this, [this](SortMode mode) { model_.setSortMode(mode); });
    connect(footer_, &PanelFooter::groupedChosen, this, [this](bool grouped) { model_.setGrouped(grouped); });
}

void ServerArea::showModel(bool listChanged) {
    const PanelDerivation& derived = model_.derived();
    const auto& snapshot = model_.snapshot();
    state_ = !snapshot                                                        ? State::loading
             : snapshot->projects.empty() && derived.orphanedRestarts.empty() ? State::empty
                                                                              : State::list;
    loading_->setVisible(state_ == State::loading);
    empty_->setVisible(state_ == State::empty);
    empty_->setScanning(model_.isScanning());
    if (state_ != State::list) {
        listState_->hide();
        return;
    }

    const bool noResults = derived.isSearching && derived.matchCount == 0;
    const bool showsBanner = !derived.isSearching && !derived.conflicts.empty();
    if (showsBanner) {
        const PanelDerivation::PortConflict& first = derived.conflicts.front();
        banner_->setConflict(first.port,
                             QString::fromStdString(PanelText::conflictNames(first.names, derived.conflicts.size())));
    }
    banner_->setVisible(showsBanner);
    noResults_->setTitle(QString::fromStdString(PanelText::noResultsTitle(model_.searchQuery())));
    noResults_->setVisible(noResults);
    if (listChanged) list_->reload();
    list_->setVisible(!noResults);
    footer_->show(QString::fromStdString(model_.searchQuery()), model_.prefs().sortMode, model_.prefs().grouped);
    footer_->searchField()->setFocused(model_.searchFocused());
    listState_->show();
}
