#include "Widget/WidgetView.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "Look/Brand.h"
#include "Look/Fonts.h"
#include "Look/GhostMark.h"
#include "Look/Theme.h"
#include "Shared/Brand/WordmarkLayout.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Settings/DisplayPrefs.h"
#include "Widget/WidgetParts.h"

namespace {

constexpr int paddingX = 13, paddingY = 12;
constexpr int stackSpacing = 7, headerSpacing = 6, rowSpacing = 6;
constexpr int minimumHeaderGap = 4;
constexpr qreal wordmarkSize = 13;
constexpr int moreLinePadding = 1;

QString qText(const std::string& text) { return QString::fromStdString(text); }

// The server count: mono 10 in the secondary colour on a chipBg capsule, padded 8 by 2.
CapsuleLabel* makeCountPill(QWidget* parent = nullptr) {
    return new CapsuleLabel(QString(),
                            {.font = Theme::mono(10),
                             .text = Tint::of(ThemeColor::secondary),
                             .fill = Tint::of(ThemeColor::chipBg),
                             .padding = QMarginsF(8, 2, 8, 2)},
                            parent);
}

// The "+<n> more" line: mono 10, faint.
TextView* makeMoreLine(QWidget* parent = nullptr) { return makeTextLine(Theme::mono(10), ThemeColor::faint, parent); }

}  // namespace

WidgetView::WidgetView(WidgetFamily family, ProjectRow::IntentHandler perform, QWidget* parent)
    : QWidget(parent),
      family_(family),
      perform_(std::move(perform)),
      wordmark_(Brand::wordmark(wordmarkSize)),
      ghost_(new GhostMark),
      conflictMark_(new SymbolImage({"exclamationmark.triangle.fill", 10, ThemeColor::red})),
      pill_(makeCountPill()),
      emptyNote_(makeTextLine(Fonts::systemFont(12.5, QFont::Normal), ThemeColor::muted)),
      emptyArea_(new QWidget),
      rowStack_(new QVBoxLayout),
      more_(makeMoreLine()),
      trailingSpace_(new QSpacerItem(0, 0)) {
    setFixedSize(sizeFor(family));
    setAccessibleName(
        QString::fromUtf8(VellumarkWidget::displayName.data(), qsizetype(VellumarkWidget::displayName.size())));
    // The mark's own name, as assistive technology calls such a symbol.
    conflictMark_->setAccessibleName(QStringLiteral("Warning"));
    emptyNote_->setText(QStringLiteral("Nothing running"));
    // The wordmark's ghost alone, as large as in the wordmark, for a header too narrow for the name.
    const QFont brand = Brand::brandFont(wordmarkSize, QFont::DemiBold);
    const WordmarkLayout mark = WordmarkLayout::forSize(wordmarkSize, QFontMetricsF(brand, this).capHeight());
    ghost_->setFixedSize(int(std::ceil(mark.ghostWidth)), int(std::ceil(mark.ghostHeight)));
    ghost_->setAccessibleName(wordmark_->accessibleName());

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(paddingX, paddingY, paddingX, paddingY);
    stack->setSpacing(stackSpacing);

    auto* header = new QHBoxLayout;
    header->setSpacing(headerSpacing);
    header->addWidget(wordmark_, 0, Qt::AlignVCenter);
    header->addWidget(ghost_, 0, Qt::AlignVCenter);
    // A box layout spaces a spacer from what follows it only: its least width holds the spacing before it.
    header->addSpacerItem(
        new QSpacerItem(headerSpacing + minimumHeaderGap, 0, QSizePolicy::MinimumExpanding, QSizePolicy::Minimum));
    header->addWidget(conflictMark_, 0, Qt::AlignVCenter);
    header->addWidget(pill_, 0, Qt::AlignVCenter);
    stack->addLayout(header);

    // The note sits in the middle of the space below the header.
    auto* emptyLayout = new QVBoxLayout(emptyArea_);
    emptyLayout->setContentsMargins(0, 0, 0, 0);
    emptyLayout->addStretch(1);
    emptyLayout->addWidget(emptyNote_, 0, Qt::AlignHCenter);
    emptyLayout->addStretch(1);
    stack->addWidget(emptyArea_, 1);

    rowStack_->setSpacing(rowSpacing);
    rowStack_->setContentsMargins(0, 0, 0, 0);
    stack->addLayout(rowStack_);
    auto* moreLayout = new QVBoxLayout;
    moreLayout->setContentsMargins(0, moreLinePadding, 0, 0);
    moreLayout->addWidget(more_);
    stack->addLayout(moreLayout);
    stack->addItem(trailingSpace_);

    updateWordmarkPalette();
    layOut();
}

QSize WidgetView::sizeFor(WidgetFamily family) {
    const WidgetFamilies::Size nominal = WidgetFamilies::nominalSize(family);
    // Measured on the parts themselves, which take their sizes from their fonts alone.
    QWidget measure;
    auto* wordmark = Brand::wordmark(wordmarkSize, &measure);
    auto* pill = makeCountPill(&measure);
    pill->setText(QStringLiteral("0 servers"));
    auto* mark = new SymbolImage({"exclamationmark.triangle.fill", 10, ThemeColor::red}, &measure);
    auto* row = new ProjectRow(nullptr, &measure);
    WidgetContent::Row sample;
    sample.name = sample.commands = "x";
    sample.ports = {{1, false}};
    sample.cpuText = sample.memText = "0%";
    row->setRow(sample);
    auto* more = makeMoreLine(&measure);
    more->setText(QStringLiteral("+1 more"));

    const int rows = WidgetFamilies::rowLimit(family);
    const int header = std::max({wordmark->sizeHint().height(), pill->sizeHint().height(), mark->sizeHint().height()});
    const int content = header + stackSpacing + rows * row->sizeHint().height() + (rows - 1) * rowSpacing +
                        stackSpacing + moreLinePadding + more->sizeHint().height();
    return {nominal.width, std::max(nominal.height, 2 * paddingY + content)};
}

void WidgetView::setEntry(DevProcessEntry entry) {
    entry_ = std::move(entry);
    layOut();
}

void WidgetView::layOut() {
    const SortMode mode = DisplayPrefs::load(AppGroup::sharedDefaults()).sortMode;
    const WidgetContent::Content content = WidgetContent::make(entry_, family_, mode);

    pill_->setText(qText(content.serverCount));
    conflictMark_->setVisible(content.conflict);
    fitHeaderMark(content.conflict);
    emptyArea_->setVisible(content.nothingRunning);
    // The rows stand at the top with the space below them; the note has all of it to stand in the
    // middle of.
    trailingSpace_->changeSize(0, 0, QSizePolicy::Minimum,
                               content.nothingRunning ? QSizePolicy::Fixed : QSizePolicy::Expanding);
    if (layout()) layout()->invalidate();

    // Each project keeps its row, found by its path, so a button held down while the order changes
    // still acts for the project it was pressed on.
    std::vector<ProjectRow*> kept;
    for (const WidgetContent::Row& row : content.rows) {
        const auto same = std::ranges::find_if(rows_, [&](const ProjectRow* shown) {
            return shown && shown->row().folderIntent.path == row.folderIntent.path;
        });
        ProjectRow* reused = same == rows_.end() ? new ProjectRow(perform_) : std::exchange(*same, nullptr);
        reused->setRow(row);
        kept.push_back(reused);
    }
    for (ProjectRow* gone : rows_) delete gone;
    rows_ = std::move(kept);
    for (ProjectRow* row : rows_) rowStack_->removeWidget(row);
    for (ProjectRow* row : rows_) rowStack_->addWidget(row);

    more_->setText(qText(content.more.value_or("")));
    more_->setVisible(content.more.has_value());
}

void WidgetView::fitHeaderMark(bool conflict) {
    int needed =
        wordmark_->sizeHint().width() + headerSpacing + minimumHeaderGap + headerSpacing + pill_->sizeHint().width();
    if (conflict) needed += conflictMark_->sizeHint().width() + headerSpacing;
    const bool fits = needed <= width() - 2 * paddingX;
    wordmark_->setVisible(fits);
    ghost_->setVisible(!fits);
}

void WidgetView::updateWordmarkPalette() {
    // The product name reads in the heading colour; its appearance stays the view's.
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, Theme::color(ThemeColor::heading, *this));
    palette.setColor(QPalette::Window, Theme::color(ThemeColor::card, *this));
    wordmark_->setPalette(palette);
    ghost_->setPalette(palette);
}

void WidgetView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::color(ThemeColor::card, *this));
}

void WidgetView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) updateWordmarkPalette();
    QWidget::changeEvent(event);
}
