#include "App/Panel/States/NoResultsState.h"

#include <QPainter>
#include <QVBoxLayout>

#include "App/Panel/Controls/ButtonLooks.h"
#include "App/Panel/Controls/PanelStyle.h"
#include "App/Panel/Controls/TextButton.h"
#include "Controls/TextView.h"
#include "Look/Icons.h"
#include "Look/Theme.h"

namespace {
constexpr int iconSide = 22;
}

NoResultsState::NoResultsState(QWidget* parent)
    : QWidget(parent),
      title_(new TextView({}, PanelStyle::systemFont(12.5, QFont::Medium), Tint::of(ThemeColor::heading),
                          TextView::Mode::elideMiddle)),
      clear_(new TextButton(QStringLiteral("Clear search"), ButtonLooks::stateAction())) {
    title_->setObjectName(QStringLiteral("noResultsTitle"));
    title_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    title_->setHorizontalAlignment(Qt::AlignHCenter);
    clear_->setObjectName(QStringLiteral("clearSearch"));
    auto* hint = new TextView(QStringLiteral("Search looks at port, project, and command."), PanelStyle::systemFont(11),
                              Tint::of(ThemeColor::secondary));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 22, 12, 26);
    column->setSpacing(8);
    column->addSpacing(iconSide);  // the icon is painted there
    column->addWidget(title_);
    column->addWidget(hint, 0, Qt::AlignHCenter);
    column->addWidget(clear_, 0, Qt::AlignHCenter);
    connect(clear_, &QAbstractButton::clicked, this, &NoResultsState::clearClicked);
}

void NoResultsState::setTitle(const QString& title) { title_->setText(title); }

void NoResultsState::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF icon((width() - iconSide) / 2.0, contentsMargins().top(), iconSide, iconSide);
    Icons::paint(painter, icon, "ph-magnifying-glass-light", Theme::color(ThemeColor::faint, *this));
}
