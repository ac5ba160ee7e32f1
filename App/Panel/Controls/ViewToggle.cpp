#include "App/Panel/Controls/ViewToggle.h"

#include <QHBoxLayout>
#include <QPainter>

#include "App/Panel/Controls/HoverButton.h"
#include "App/Panel/Controls/PanelStyle.h"
#include "Look/Icons.h"

namespace {

constexpr int inset = 2;
constexpr QSize segmentSize(30, 26);

// One segment's icon; the toggle paints the thumb behind the selected one.
class Segment : public HoverButton {
public:
    Segment(const char* icon, const QString& help, const ViewToggle& toggle, bool value)
        : HoverButton(const_cast<ViewToggle*>(&toggle)), icon_(icon), toggle_(toggle), value_(value) {
        setFixedSize(segmentSize);
        setToolTip(help);
        setAccessibleName(help);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const bool selected = toggle_.grouped() == value_;
        QRectF icon(0, 0, 14, 14);
        icon.moveCenter(QRectF(rect()).center());
        const Tint tint = Tint::of(selected ? ThemeColor::ink : ThemeColor::muted);
        Icons::paint(painter, icon, icon_, tint.resolve(palette()));
    }

private:
    const char* icon_;
    const ViewToggle& toggle_;
    bool value_;
};

}  // namespace

ViewToggle::ViewToggle(QWidget* parent)
    : QWidget(parent),
      groupedSegment_(new Segment("ph-folder-light", QStringLiteral("Group by project"), *this, true)),
      flatSegment_(new Segment("ph-list-light", QStringLiteral("Flat port-sorted list"), *this, false)) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(inset, inset, inset, inset);
    row->setSpacing(inset);
    row->addWidget(groupedSegment_);
    row->addWidget(flatSegment_);
    connect(groupedSegment_, &QAbstractButton::clicked, this, [this] { emit groupedChosen(true); });
    connect(flatSegment_, &QAbstractButton::clicked, this, [this] { emit groupedChosen(false); });
}

void ViewToggle::setGrouped(bool grouped) {
    if (grouped_ == grouped) return;
    grouped_ = grouped;
    update();
}

QSize ViewToggle::sizeHint() const { return {3 * inset + 2 * segmentSize.width(), 2 * inset + segmentSize.height()}; }

void ViewToggle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Tint::of(ThemeColor::track).resolve(palette()));
    painter.drawRoundedRect(QRectF(rect()), 9, 9);

    // The thumb under the selected segment, with its shadow: black at 14 %, 1 px down, softened
    // by a fainter copy half a pixel wider all round.
    const QRectF thumb = QRectF(segment(grouped_)->geometry());
    painter.setBrush(QColor(0, 0, 0, 16));
    painter.drawRoundedRect(thumb.translated(0, 1).adjusted(-0.5, -0.5, 0.5, 0.5), 7.5, 7.5);
    painter.setBrush(QColor(0, 0, 0, 36));
    painter.drawRoundedRect(thumb.translated(0, 1), 7, 7);
    painter.setBrush(Tint::of(ThemeColor::thumb).resolve(palette()));
    painter.drawRoundedRect(thumb, 7, 7);
}
