#pragma once
// A row's metrics at rest: the energy mark when the server runs hot, then CPU, memory and (when
// known) uptime, each an icon and a monospaced figure in its colour. Painted as one view: the rows
// show these for every server at once. Main thread only.

#include <optional>
#include <string>
#include <vector>

#include <QWidget>

#include "Shared/Brand/Palette.h"

class RowMetricsView : public QWidget {
    Q_OBJECT
public:
    struct Metric {
        std::string icon;
        QString text;
        ThemeColor color = ThemeColor::faint;
        bool operator==(const Metric&) const = default;
    };

    explicit RowMetricsView(QWidget* parent = nullptr);

    void setMetrics(bool energyHigh, std::vector<Metric> metrics);
    bool showsEnergy() const { return energyHigh_; }
    const std::vector<Metric>& metrics() const { return metrics_; }
    // The metric with that icon, if shown.
    std::optional<Metric> metric(const std::string& icon) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void measure();

    bool energyHigh_ = false;
    std::vector<Metric> metrics_;
    // Measured when the metrics change: their figures' widths and the whole size.
    std::vector<qreal> figureWidths_;
    QSize size_;
};
