#pragma once
// The footer's two-segment toggle between the grouped list (folder) and the flat list (list). The
// owner's flag flows in through setGrouped; every click on a segment is reported, also a click on
// the segment already selected (the owner then stores the same value again). Main thread only.

#include <QWidget>

class HoverButton;

class ViewToggle : public QWidget {
    Q_OBJECT
public:
    explicit ViewToggle(QWidget* parent = nullptr);

    bool grouped() const { return grouped_; }
    void setGrouped(bool grouped);
    // The segment that stands for `grouped`.
    HoverButton* segment(bool grouped) const { return grouped ? groupedSegment_ : flatSegment_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void groupedChosen(bool grouped);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool grouped_ = true;
    HoverButton* groupedSegment_;
    HoverButton* flatSegment_;
};
