#include "App/Settings/SettingsForm.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "Look/Fonts.h"
#include "Look/Theme.h"

namespace {

constexpr int cardRadius = 7;
constexpr int rowPadding = 10;  // left and right of every row
constexpr int rowSpacing = 1;   // room for the hairline
constexpr int pageMargin = 20;
constexpr int verticalPadding = 8;  // the form's own, above and below
constexpr int sectionSpacing = 18;

}  // namespace

namespace SettingsText {

QFont body() { return Fonts::systemFont(bodySize, QFont::Normal); }
QFont caption() { return Fonts::systemFont(captionSize, QFont::Normal); }
QFont caption2() { return Fonts::systemFont(caption2Size, QFont::Normal); }
QFont monospaced(qreal size) { return Fonts::systemFixedFont(size, QFont::Normal); }

namespace {

// Where the widget keeps the colour it was given.
constexpr const char* textColorProperty = "themeTextColor";

// The text colour for the appearance of what the widget stands on (its own palette holds the colour
// set for the appearance before).
void applyTextColor(QWidget& widget) {
    const auto color = ThemeColor(widget.property(textColorProperty).toInt());
    const QPalette ground = widget.parentWidget() ? widget.parentWidget()->palette() : QApplication::palette(&widget);
    const QColor text = Theme::color(color, ground);
    QPalette palette = widget.palette();
    if (palette.color(QPalette::WindowText) == text && palette.color(QPalette::Text) == text) return;
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Text, text);
    widget.setPalette(palette);  // its own palette change comes back here and ends above
}

// Sets the colour again whenever the palette around the widget changes: the other appearance.
class TextColorKeeper final : public QObject {
public:
    explicit TextColorKeeper(QWidget& widget) : QObject(&widget), widget_(widget) { widget.installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &widget_ && (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange))
            applyTextColor(widget_);
        return false;
    }

private:
    QWidget& widget_;
};

}  // namespace

void setTextColor(QWidget& widget, ThemeColor color) {
    const bool kept = widget.property(textColorProperty).isValid();
    widget.setProperty(textColorProperty, int(color));
    if (!kept) new TextColorKeeper(widget);
    applyTextColor(widget);
}

QLabel* captionLabel(const QString& text, ThemeColor color) {
    auto* label = new QLabel(text);
    label->setFont(caption());
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    setTextColor(*label, color);
    return label;
}

}  // namespace SettingsText

FormCard::FormCard(QWidget* parent) : QWidget(parent), rows_(new QVBoxLayout(this)) {
    rows_->setContentsMargins(rowPadding, 0, rowPadding, 0);
    rows_->setSpacing(rowSpacing);
}

void FormCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(Theme::color(ThemeColor::hairline, *this), 1));
    painter.setBrush(Theme::color(ThemeColor::card, *this));
    painter.drawRoundedRect(box, cardRadius, cardRadius);

    painter.setRenderHint(QPainter::Antialiasing, false);
    const QWidget* previous = nullptr;
    for (int i = 0; i < rows_->count(); ++i) {
        const QWidget* row = rows_->itemAt(i)->widget();
        if (!row || row->isHidden()) continue;
        if (previous) {
            const int y = previous->geometry().bottom() + 1;
            painter.drawLine(rowPadding, y, width() - rowPadding - 1, y);
        }
        previous = row;
    }
}

FormSection::FormSection(const QString& title, const QString& footer, QWidget* parent)
    : QWidget(parent), card_(new FormCard) {
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(6);
    if (!title.isEmpty()) {
        auto* heading = new QLabel(title);
        heading->setFont(Fonts::systemFont(SettingsText::bodySize, QFont::DemiBold));
        heading->setContentsMargins(rowPadding / 2, 0, 0, 0);
        stack->addWidget(heading);
    }
    stack->addWidget(card_);
    if (!footer.isEmpty()) {
        QLabel* note = SettingsText::captionLabel(footer);
        note->setContentsMargins(rowPadding / 2, 0, rowPadding / 2, 0);
        stack->addWidget(note);
    }
}

QWidget* FormSection::addRow(QWidget* content) {
    auto* row = new QWidget;
    auto* layout = new QVBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
    addRow(layout);
    return row;
}

QWidget* FormSection::addRow(QLayout* content) {
    QWidget* row = content->parentWidget();
    if (!row) {
        row = new QWidget;
        row->setLayout(content);
    }
    content->setContentsMargins(0, 7, 0, 7);
    rows()->addWidget(row);
    return row;
}

FormPage::FormPage(QWidget* parent) : QScrollArea(parent) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget;
    column_ = new QVBoxLayout(content);
    column_->setContentsMargins(pageMargin, verticalPadding + 12, pageMargin, verticalPadding + 12);
    column_->setSpacing(sectionSpacing);
    column_->addStretch(1);
    setWidget(content);
    viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
}

FormSection* FormPage::addSection(const QString& title, const QString& footer) {
    auto* section = new FormSection(title, footer);
    column_->insertWidget(column_->count() - 1, section);  // above the closing stretch
    return section;
}
