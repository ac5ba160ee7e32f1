#include "Widget/ProjectRow.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "Look/Fonts.h"
#include "Look/PointingCursor.h"
#include "Look/Theme.h"
#include "Widget/WidgetParts.h"

namespace {

constexpr qreal labelSpacing = 2;  // between the name and the ports line
constexpr qreal portSpacing = 5;   // between the ports and the commands
constexpr int rowSpacing = 8;

QString qText(const std::string& text) { return QString::fromStdString(text); }
QString portText(int port) { return QStringLiteral(":") + QString::number(port); }

}  // namespace

ProjectButton::ProjectButton(QWidget* parent)
    : QAbstractButton(parent),
      nameFont_(Fonts::systemFont(12.5, QFont::DemiBold)),
      portFont_(Theme::mono(11, QFont::DemiBold)),
      commandFont_(Theme::mono(10.5)) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ProjectButton::setRow(const WidgetContent::Row& row) {
    row_ = row;
    setAccessibleName(qText(row.name));
    QStringList ports;
    for (const WidgetContent::PortLabel& label : row.ports) ports << portText(label.port);
    setAccessibleDescription((ports.join(QLatin1Char(' ')) + QLatin1Char(' ') + qText(row.commands)).trimmed());
    updateGeometry();
    update();
}

std::vector<ProjectButton::Segment> ProjectButton::portLine() const {
    std::vector<Segment> segments;
    for (const WidgetContent::PortLabel& label : row_.ports)
        segments.push_back({portText(label.port), &portFont_, label.conflicting ? ThemeColor::red : ThemeColor::port});
    segments.push_back({qText(row_.commands), &commandFont_, ThemeColor::secondary});
    return segments;
}

QSize ProjectButton::sizeHint() const {
    const QFontMetricsF name(nameFont_, this), port(portFont_, this), command(commandFont_, this);
    qreal lineWidth = 0;
    for (const Segment& segment : portLine()) {
        if (lineWidth > 0) lineWidth += portSpacing;
        lineWidth += QFontMetricsF(*segment.font, this).horizontalAdvance(segment.text);
    }
    const qreal width = std::max(name.horizontalAdvance(qText(row_.name)), lineWidth);
    const qreal height = name.height() + labelSpacing + std::max(port.height(), command.height());
    return {int(std::ceil(width)), int(std::ceil(height))};
}

QSize ProjectButton::minimumSizeHint() const {
    // Everything gives way, down to an ellipsis.
    const QFontMetricsF name(nameFont_, this);
    return {int(std::ceil(name.horizontalAdvance(QStringLiteral("…")))), sizeHint().height()};
}

void ProjectButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (isDown()) painter.setOpacity(pressedOpacity);
    const QFontMetricsF name(nameFont_, this), port(portFont_, this), command(commandFont_, this);
    const qreal available = width();

    painter.setFont(nameFont_);
    painter.setPen(Theme::color(ThemeColor::heading, *this));
    painter.drawText(QPointF(0, name.ascent()), name.elidedText(qText(row_.name), Qt::ElideRight, available));

    // The ports and the commands share one baseline; what does not fit ends in "…".
    const qreal baseline = name.height() + labelSpacing + std::max(port.ascent(), command.ascent());
    qreal x = 0;
    for (const Segment& segment : portLine()) {
        const QFontMetricsF metrics(*segment.font, this);
        const qreal room = available - x;
        const qreal needed = metrics.horizontalAdvance(segment.text);
        painter.setFont(*segment.font);
        painter.setPen(Theme::color(segment.color, *this));
        if (needed > room) {
            painter.drawText(QPointF(x, baseline),
                             metrics.elidedText(segment.text, Qt::ElideRight, std::max<qreal>(0, room)));
            break;
        }
        painter.drawText(QPointF(x, baseline), segment.text);
        x += needed + portSpacing;
    }
}

ProjectRow::ProjectRow(IntentHandler perform, QWidget* parent)
    : QWidget(parent),
      perform_(std::move(perform)),
      mainButton_(new ProjectButton),
      cpu_(makeTextLine(Theme::mono(9.5), ThemeColor::secondary)),
      mem_(makeTextLine(Theme::mono(9.5), ThemeColor::faint)),
      folder_(new SymbolButton({"folder", 12, ThemeColor::secondary})),
      stop_(new SymbolButton({"xmark", 11, ThemeColor::red})) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(rowSpacing);
    layout->addWidget(mainButton_, 0, Qt::AlignVCenter);
    // A box layout spaces a spacer from what follows it only; the spacer's least width stands in for
    // the spacing before it.
    layout->addSpacerItem(new QSpacerItem(rowSpacing, 0, QSizePolicy::MinimumExpanding, QSizePolicy::Minimum));

    auto* metrics = new QVBoxLayout;
    metrics->setSpacing(0);
    metrics->setContentsMargins(0, 0, 0, 0);
    for (TextView* line : {cpu_, mem_}) {
        // The figures are never cut short: the name gives way first.
        line->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        metrics->addWidget(line, 0, Qt::AlignRight);
    }
    layout->addLayout(metrics);
    layout->setAlignment(metrics, Qt::AlignVCenter);
    layout->addWidget(folder_, 0, Qt::AlignVCenter);
    layout->addWidget(stop_, 0, Qt::AlignVCenter);

    for (QAbstractButton* button : {static_cast<QAbstractButton*>(mainButton_), static_cast<QAbstractButton*>(folder_),
                                    static_cast<QAbstractButton*>(stop_)}) {
        if (perform_) applyPointingCursor(button);
    }
    connect(mainButton_, &QAbstractButton::clicked, this, [this] { run(row().mainIntent); });
    connect(folder_, &QAbstractButton::clicked, this, [this] { run(row().folderIntent); });
    connect(stop_, &QAbstractButton::clicked, this, [this] {
        if (row().stopIntent) run(*row().stopIntent);
    });
}

void ProjectRow::setRow(const WidgetContent::Row& row) {
    mainButton_->setRow(row);
    cpu_->setText(qText(row.cpuText));
    mem_->setText(qText(row.memText));
    const QString folderHelp = qText(row.folderHelp);
    folder_->setToolTip(folderHelp);
    folder_->setAccessibleName(folderHelp);
    const QString stopHelp = qText(row.stopHelp);
    stop_->setToolTip(stopHelp);
    stop_->setAccessibleName(stopHelp);
    stop_->setVisible(row.stopIntent.has_value());
}

void ProjectRow::run(const WidgetIntent& intent) const {
    if (perform_) perform_(intent);
}
