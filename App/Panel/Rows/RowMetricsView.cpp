#include "App/Panel/Rows/RowMetricsView.h"

#include <cmath>

#include <QFontMetricsF>
#include <QPainter>

#include "App/Panel/Controls/PanelStyle.h"
#include "Controls/CapsuleLabel.h"
#include "Controls/TextWidths.h"
#include "Look/Icons.h"

namespace {

constexpr qreal spacing = 8;
constexpr qreal iconSide = 12.5;
constexpr qreal iconGap = 3.5;

const QFont& figureFont() { return PanelStyle::monoFont(10.5); }

const CapsuleLabel::Look& energyLook() {
    static const CapsuleLabel::Look look{.font = PanelStyle::monoFont(9.5, QFont::DemiBold),
                                         .text = Tint::of(ThemeColor::amber),
                                         .fill = Tint::of(ThemeColor::amber, 0.12),
                                         .padding = QMarginsF(6, 1.5, 6, 1.5),
                                         .icon = "ph-lightning-light",
                                         .iconSide = 10,
                                         .iconSpacing = 3};
    return look;
}

const QString& energyText() {
    static const QString text = QStringLiteral("High");
    return text;
}

}  // namespace

RowMetricsView::RowMetricsView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    measure();
}

void RowMetricsView::setMetrics(bool energyHigh, std::vector<Metric> metrics) {
    if (energyHigh == energyHigh_ && metrics == metrics_) return;
    energyHigh_ = energyHigh;
    metrics_ = std::move(metrics);
    QStringList spoken;
    if (energyHigh_) spoken << energyText();
    for (const Metric& metric : metrics_) spoken << metric.text;
    setAccessibleName(spoken.join(QStringLiteral(", ")));
    const QSize before = size_;
    measure();
    if (size_ != before) updateGeometry();
    update();
}

std::optional<RowMetricsView::Metric> RowMetricsView::metric(const std::string& icon) const {
    for (const Metric& metric : metrics_)
        if (metric.icon == icon) return metric;
    return std::nullopt;
}

void RowMetricsView::measure() {
    const QFontMetricsF figures(figureFont());
    figureWidths_.clear();
    qreal width = 0;
    qreal height = std::max(iconSide, figures.height());
    if (energyHigh_) {
        const QSizeF energy = CapsuleLabel::measure(energyText(), energyLook());
        width += energy.width() + spacing;
        height = std::max(height, energy.height());
    }
    for (const Metric& metric : metrics_) {
        figureWidths_.push_back(TextWidths::advance(figureFont(), metric.text));
        width += iconSide + iconGap + figureWidths_.back() + spacing;
    }
    if (width > 0) width -= spacing;
    size_ = QSize(int(std::ceil(width)), int(std::ceil(height)));
}

QSize RowMetricsView::sizeHint() const { return size_; }

void RowMetricsView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const qreal middle = QRectF(rect()).center().y();
    qreal x = 0;
    if (energyHigh_) {
        const QSizeF size = CapsuleLabel::measure(energyText(), energyLook());
        CapsuleLabel::paint(painter, QRectF(QPointF(x, middle - size.height() / 2), size), energyText(), energyLook(),
                            palette());
        x += size.width() + spacing;
    }
    painter.setFont(figureFont());
    for (std::size_t i = 0; i < metrics_.size(); ++i) {
        const Metric& metric = metrics_[i];
        const QColor color = Tint::of(metric.color).resolve(palette());
        Icons::paint(painter, QRectF(x, middle - iconSide / 2, iconSide, iconSide), metric.icon, color);
        x += iconSide + iconGap;
        painter.setPen(color);
        painter.drawText(QRectF(x, 0, figureWidths_[i] + 1, height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, metric.text);
        x += figureWidths_[i] + spacing;
    }
}
