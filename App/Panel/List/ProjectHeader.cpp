#include "App/Panel/List/ProjectHeader.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

#include "App/Panel/Controls/ButtonLooks.h"
#include "App/Panel/Controls/PanelStyle.h"
#include "App/Panel/Controls/StopAllButton.h"
#include "Controls/TextView.h"
#include "Core/PanelModel/PanelText.h"
#include "Look/Theme.h"

namespace {

// The confirmation's rounded red box.
class ConfirmationBar : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor fill = Theme::color(ThemeColor::red, *this), border = fill;
        fill.setAlphaF(0.06f);
        border.setAlphaF(0.25f);
        painter.setPen(QPen(border, 1));
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    }
};

bool allKeptAlive(const DevProject& project) {
    return !project.servers.empty() &&
           std::all_of(project.servers.begin(), project.servers.end(),
                       [](const DevServer& server) { return server.keptAlive.value_or(false); });
}

}  // namespace

const QString& ProjectHeader::keptAliveReason() {
    static const QString reason = QStringLiteral(
        "macOS is set to keep these running, so stopping them here would only make them start again. Stop them where "
        "they’re managed, such as launchctl, brew services, or the app’s own settings.");
    return reason;
}

ProjectHeader::ProjectHeader(Actions actions, QWidget* parent)
    : QWidget(parent),
      actions_(std::move(actions)),
      title_(new QWidget),
      name_(new TextView({}, PanelStyle::systemFont(13.5, QFont::DemiBold), Tint::of(ThemeColor::heading))),
      stopAll_(new StopAllButton),
      path_(new TextView({}, PanelStyle::monoFont(10), Tint::of(ThemeColor::faint), TextView::Mode::elideMiddle)),
      bar_(new ConfirmationBar),
      question_(new TextView({}, PanelStyle::systemFont(11, QFont::DemiBold), Tint::of(ThemeColor::red))),
      confirm_(ButtonLooks::makeStopConfirmButton(QStringLiteral("Stop all"))),
      cancel_(new TextButton(QStringLiteral("Cancel"), ButtonLooks::barCancel())) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    name_->setObjectName(QStringLiteral("projectName"));
    path_->setObjectName(QStringLiteral("projectPath"));
    path_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    auto* titleRow = new QHBoxLayout(title_);
    titleRow->setContentsMargins(0, 0, 0, 0);
    titleRow->setSpacing(8);
    titleRow->addWidget(name_, 0, Qt::AlignVCenter);
    titleRow->addStretch(1);
    titleRow->addWidget(stopAll_, 0, Qt::AlignVCenter);

    auto* barRow = new QHBoxLayout(bar_);
    barRow->setContentsMargins(10, 6, 10, 6);
    barRow->setSpacing(8);
    barRow->addWidget(question_, 0, Qt::AlignVCenter);
    barRow->addStretch(1);
    barRow->addWidget(confirm_, 0, Qt::AlignVCenter);
    barRow->addWidget(cancel_, 0, Qt::AlignVCenter);
    bar_->hide();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 6, 0, 6);
    column->setSpacing(2);
    column->addWidget(title_);
    column->addWidget(path_);
    column->addWidget(bar_);

    connect(stopAll_, &QAbstractButton::clicked, this, [this] {
        if (actions_.arm) actions_.arm(project_.path);
    });
    connect(confirm_, &QAbstractButton::clicked, this, [this] {
        const DevProject project = project_;  // the answer may rebuild this header
        if (actions_.stopAll) actions_.stopAll(project);
        if (actions_.disarm) actions_.disarm();
    });
    connect(cancel_, &QAbstractButton::clicked, this, [this] {
        if (actions_.disarm) actions_.disarm();
    });
}

void ProjectHeader::setProject(const DevProject& project, bool armed, const std::string& home) {
    project_ = project;
    armed_ = armed;
    name_->setText(QString::fromStdString(project.name));
    path_->setText(QString::fromStdString(PanelText::pathLine(project.path, home)));
    stopAll_->setDisabledReason(allKeptAlive(project) ? std::optional<QString>(keptAliveReason()) : std::nullopt);
    question_->setText(QString::fromStdString(PanelText::stopAllQuestion(project.servers.size(), project.name)));
    title_->setVisible(!armed);
    path_->setVisible(!armed);
    bar_->setVisible(armed);
}

void ProjectHeader::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::color(ThemeColor::card, *this));
    painter.fillRect(QRect(0, 0, width(), 1), Theme::color(ThemeColor::hairline, *this));
}
