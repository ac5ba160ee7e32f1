#include "App/Panel/Footer/PanelFooter.h"

#include <QActionGroup>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>

#include "App/Panel/Controls/IconButton.h"
#include "App/Panel/Controls/SearchField.h"
#include "App/Panel/Controls/ViewToggle.h"
#include "Look/Theme.h"

PanelFooter::PanelFooter(QWidget* parent)
    : QWidget(parent),
      search_(new SearchField),
      sort_(new IconButton("arrow.up.arrow.down", QSizeF(13, 13), QSize(30, 30), {Tint::of(ThemeColor::secondary)})),
      toggle_(new ViewToggle) {
    sort_->setObjectName(QStringLiteral("sortButton"));
    sort_->setToolTip(QStringLiteral("Sort by…"));
    sort_->setAccessibleName(QStringLiteral("Sort servers"));

    // The field's focus ring needs room outside its edge: the padding gives it.
    const int ring = SearchField::ringRoom;
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12 - ring, 8 - ring, 12, 8 - ring);
    row->setSpacing(0);
    row->addWidget(search_, 1);
    row->addSpacing(8 - ring);
    row->addWidget(sort_, 0, Qt::AlignVCenter);
    row->addSpacing(8);
    row->addWidget(toggle_, 0, Qt::AlignVCenter);

    connect(search_, &SearchField::textEdited, this, &PanelFooter::searchEdited);
    connect(search_, &SearchField::focusedChanged, this, &PanelFooter::searchFocusChanged);
    connect(toggle_, &ViewToggle::groupedChosen, this, &PanelFooter::groupedChosen);
    connect(sort_, &QAbstractButton::clicked, this, &PanelFooter::openSortMenu);
}

void PanelFooter::show(const QString& searchText, SortMode sortMode, bool grouped) {
    if (search_->text() != searchText) search_->setText(searchText);
    sortMode_ = sortMode;
    toggle_->setGrouped(grouped);
}

QString PanelFooter::sortLabel(SortMode mode) {
    switch (mode) {
    case SortMode::activity: return QStringLiteral("Activity");
    case SortMode::port: return QStringLiteral("Port");
    case SortMode::cpu: return QStringLiteral("CPU");
    case SortMode::memory: return QStringLiteral("Memory");
    case SortMode::uptime: return QStringLiteral("Uptime");
    case SortMode::project: return QStringLiteral("Name");
    }
    return {};
}

QMenu* PanelFooter::makeSortMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->addSection(QStringLiteral("Sort by"));
    auto* group = new QActionGroup(menu);
    for (const SortMode mode : SortModes::menuOrder) {
        QAction* item = menu->addAction(sortLabel(mode));
        item->setCheckable(true);
        item->setChecked(mode == sortMode_);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, mode] { emit sortChosen(mode); });
    }
    return menu;
}

void PanelFooter::openSortMenu() {
    QMenu* menu = makeSortMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(sort_->mapToGlobal(QPoint(0, sort_->height())));
}

void PanelFooter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(QRect(0, 0, width(), 1), Theme::color(ThemeColor::hairline, *this));
}
