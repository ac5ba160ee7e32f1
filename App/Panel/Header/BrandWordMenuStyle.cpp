#include "App/Panel/Header/BrandWordMenuStyle.h"

#include <QApplication>
#include <QPaintEngine>
#include <QPainter>
#include <QStyleOptionMenuItem>
#include <QTextItem>

#include <optional>
#include <vector>

#include "Look/BrandWord.h"

namespace {

struct DrawnText {
    QPointF origin;  // on the baseline
    QString text;
    QFont font;
    QPen pen;
};

// A paint engine that draws nothing and remembers every text run it was asked to draw.
class TextRecordingEngine : public QPaintEngine {
public:
    TextRecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    Type type() const override { return User; }
    void drawTextItem(const QPointF& origin, const QTextItem& item) override {
        texts.push_back({origin, item.text(), item.font(), painter()->pen()});
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawTiledPixmap(const QRectF&, const QPixmap&, const QPointF&) override {}
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {}
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawPolygon(const QPoint*, int, PolygonDrawMode) override {}
    void drawLines(const QLineF*, int) override {}
    void drawLines(const QLine*, int) override {}
    void drawRects(const QRectF*, int) override {}
    void drawRects(const QRect*, int) override {}
    void drawEllipse(const QRectF&) override {}
    void drawPoints(const QPointF*, int) override {}

    std::vector<DrawnText> texts;
};

// Measures like the device it stands in for, so fonts resolve to the same sizes.
class TextRecorder : public QPaintDevice {
public:
    explicit TextRecorder(const QPaintDevice& model) : model_(model) {}
    QPaintEngine* paintEngine() const override { return &engine_; }
    const std::vector<DrawnText>& texts() const { return engine_.texts; }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth: return model_.width();
        case PdmHeight: return model_.height();
        case PdmWidthMM: return model_.widthMM();
        case PdmHeightMM: return model_.heightMM();
        case PdmNumColors: return model_.colorCount();
        case PdmDepth: return model_.depth();
        case PdmDpiX: return model_.logicalDpiX();
        case PdmDpiY: return model_.logicalDpiY();
        case PdmPhysicalDpiX: return model_.physicalDpiX();
        case PdmPhysicalDpiY: return model_.physicalDpiY();
        case PdmDevicePixelRatio: return int(model_.devicePixelRatio());
        case PdmDevicePixelRatioScaled: return int(model_.devicePixelRatioF() * devicePixelRatioFScale());
        }
        return 0;
    }

private:
    const QPaintDevice& model_;
    mutable TextRecordingEngine engine_;
};

QString titleOf(const QStyleOptionMenuItem& item) { return item.text.section(QLatin1Char('\t'), 0, 0); }

}  // namespace

BrandWordMenuStyle::BrandWordMenuStyle() : QProxyStyle(QApplication::style()->name()) {}

void BrandWordMenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                     const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    const QString title = item ? titleOf(*item) : QString();
    const auto parts = BrandWord::split(title);
    if (element != CE_MenuItem || !parts || !painter->device()) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }

    TextRecorder recorder(*painter->device());
    {
        QPainter recording(&recorder);
        recording.setFont(painter->font());
        recording.setTransform(painter->transform());
        QProxyStyle::drawControl(element, option, &recording, widget);
    }
    std::optional<DrawnText> drawnTitle;
    for (const DrawnText& text : recorder.texts())
        if (text.text == title) drawnTitle = text;
    if (!drawnTitle) {  // this style draws titles some other way: leave it to the style
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }

    QStyleOptionMenuItem withoutTitle = *item;
    withoutTitle.text = item->text.contains(QLatin1Char('\t'))
                            ? QLatin1Char('\t') + item->text.section(QLatin1Char('\t'), 1)
                            : QString();
    QProxyStyle::drawControl(element, &withoutTitle, painter, widget);

    const QFont brandFont = BrandWord::fontBeside(drawnTitle->font);
    const QString word = QString::fromLatin1(BrandWord::word);
    painter->save();
    painter->resetTransform();
    painter->setPen(drawnTitle->pen);
    QPointF origin = drawnTitle->origin;
    painter->setFont(drawnTitle->font);
    painter->drawText(origin, parts->before);
    origin.rx() += QFontMetricsF(drawnTitle->font, painter->device()).horizontalAdvance(parts->before);
    painter->setFont(brandFont);
    painter->drawText(origin, word);
    origin.rx() += QFontMetricsF(brandFont, painter->device()).horizontalAdvance(word);
    painter->setFont(drawnTitle->font);
    painter->drawText(origin, parts->after);
    painter->restore();
}

QSize BrandWordMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                           const QWidget* widget) const {
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type != CT_MenuItem || !item || !BrandWord::split(titleOf(*item))) return result;
    const QString word = QString::fromLatin1(BrandWord::word);
    const qreal extra = QFontMetricsF(BrandWord::fontBeside(item->font)).horizontalAdvance(word) -
                        QFontMetricsF(item->font).horizontalAdvance(word);
    if (extra > 0) result.rwidth() += qCeil(extra);
    return result;
}
