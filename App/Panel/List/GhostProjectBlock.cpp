#include "App/Panel/List/GhostProjectBlock.h"

#include <QPainter>
#include <QVBoxLayout>

#include "App/Panel/Controls/PanelStyle.h"
#include "App/Panel/Rows/GhostRow.h"
#include "Controls/TextView.h"
#include "Core/PanelModel/PanelText.h"
#include "Look/Theme.h"

GhostProjectBlock::GhostProjectBlock(const RestartEntry& entry, const std::string& home, QWidget* parent)
    : QWidget(parent),
      name_(new TextView({}, PanelStyle::systemFont(13.5, QFont::DemiBold), Tint::of(ThemeColor::heading))),
      path_(new TextView({}, PanelStyle::monoFont(10), Tint::of(ThemeColor::faint), TextView::Mode::elideMiddle)),
      row_(new GhostRow(entry)) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    path_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 6, 0, 6);
    column->setSpacing(2);
    column->addWidget(name_);
    column->addWidget(path_);
    column->addWidget(row_);
    setEntry(entry, home);
}

void GhostProjectBlock::setEntry(const RestartEntry& entry, const std::string& home) {
    name_->setText(QString::fromStdString(entry.projectName));
    path_->setText(QString::fromStdString(PanelText::pathLine(entry.projectPath, home)));
    row_->setEntry(entry);
}

void GhostProjectBlock::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(QRect(0, 0, width(), 1), Theme::color(ThemeColor::hairline, *this));
}
