#include "App/Panel/States/EmptyState.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "App/Panel/Controls/ActivitySpinner.h"
#include "App/Panel/Controls/ButtonLooks.h"
#include "App/Panel/Controls/PanelStyle.h"
#include "App/Panel/Controls/TextButton.h"
#include "Controls/TextView.h"
#include "Look/Icons.h"
#include "Look/Theme.h"

namespace {

// The broadcast icon, 22 × 22, on a 44 × 44 rounded tile.
class IconTile : public QWidget {
public:
    IconTile() { setFixedSize(44, 44); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::color(ThemeColor::chipBg, *this));
        painter.drawRoundedRect(QRectF(rect()), 12, 12);
        Icons::paint(painter, QRectF(11, 11, 22, 22), "ph-broadcast-light", Theme::color(ThemeColor::faint, *this));
    }
};

}  // namespace

EmptyState::EmptyState(QWidget* parent)
    : QWidget(parent),
      spinner_(new ActivitySpinner),
      rescan_(new TextButton(QStringLiteral("Rescan now"), ButtonLooks::stateAction())) {
    rescan_->setObjectName(QStringLiteral("rescanNow"));
    auto* title = new TextView(QStringLiteral("No dev servers running"), PanelStyle::systemFont(13, QFont::DemiBold),
                               Tint::of(ThemeColor::heading));
    auto* explanation = new TextView(
        QStringLiteral("Start a server on any port and it shows up here. Vellumark rescans automatically every few "
                       "seconds."),
        PanelStyle::systemFont(11), Tint::of(ThemeColor::secondary), TextView::Mode::wrap);
    explanation->setHorizontalAlignment(Qt::AlignHCenter);

    auto* button = new QHBoxLayout;
    button->setSpacing(5);
    button->addWidget(spinner_);
    button->addWidget(rescan_);
    spinner_->hide();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 24, 12, 28);
    column->setSpacing(10);
    column->addWidget(new IconTile, 0, Qt::AlignHCenter);
    column->addWidget(title, 0, Qt::AlignHCenter);
    column->addWidget(explanation);
    column->addSpacing(2);
    column->addLayout(button);
    column->setAlignment(button, Qt::AlignHCenter);
    connect(rescan_, &QAbstractButton::clicked, this, &EmptyState::rescanClicked);
}

void EmptyState::setScanning(bool scanning) {
    spinner_->setVisible(scanning);
    rescan_->setText(scanning ? QStringLiteral("Rescanning…") : QStringLiteral("Rescan now"));
    rescan_->setEnabled(!scanning);
}
