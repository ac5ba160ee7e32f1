#pragma once
// One project on the widget: the main button (the project's name above its ports and commands)
// that opens its lowest port, or its folder when it has none; its CPU and memory; the folder button;
// and the stop button when there is a process to stop. A row is refilled in place when its project
// changes, so a press under way survives the next reload. Main thread only.

#include <functional>
#include <vector>

#include <QAbstractButton>
#include <QFont>
#include <QWidget>

#include "Controls/TextView.h"
#include "Shared/Brand/Palette.h"
#include "Widget/WidgetContent.h"
#include "Widget/WidgetParts.h"

// The main button's label stack, painted: the name (system font 12.5, semibold, heading colour)
// above the ports (mono 11 semibold, red when in conflict, else the port colour) and the commands
// (mono 10.5, secondary), 2 apart. Too narrow, the name and the ports line end in "…".
class ProjectButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit ProjectButton(QWidget* parent = nullptr);

    void setRow(const WidgetContent::Row& row);
    const WidgetContent::Row& row() const { return row_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // One run of the ports line in its own font and colour.
    struct Segment {
        QString text;
        const QFont* font;
        ThemeColor color;
    };
    std::vector<Segment> portLine() const;

    WidgetContent::Row row_;
    QFont nameFont_, portFont_, commandFont_;
};

class ProjectRow : public QWidget {
    Q_OBJECT
public:
    // `perform` runs the intent of a pressed button; none makes every button inert (the
    // placeholder's sample data names no real processes or folders).
    using IntentHandler = std::function<void(const WidgetIntent&)>;

    ProjectRow(IntentHandler perform, QWidget* parent = nullptr);

    void setRow(const WidgetContent::Row& row);
    const WidgetContent::Row& row() const { return mainButton_->row(); }

    ProjectButton* mainButton() const { return mainButton_; }
    TextView* cpuLine() const { return cpu_; }
    TextView* memLine() const { return mem_; }
    SymbolButton* folderButton() const { return folder_; }
    SymbolButton* stopButton() const { return stop_; }

private:
    void run(const WidgetIntent& intent) const;

    IntentHandler perform_;
    ProjectButton* mainButton_;
    TextView* cpu_;
    TextView* mem_;
    SymbolButton* folder_;
    SymbolButton* stop_;
};
