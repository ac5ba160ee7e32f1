#include "App/Panel/Controls/SearchField.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

#include "App/Panel/Controls/IconButton.h"
#include "App/Panel/Controls/PanelStyle.h"
#include "Look/Icons.h"

namespace {
constexpr int padding = 10;
constexpr int spacing = 6;
constexpr qreal glassSide = 13;
constexpr qreal radius = 8;
}  // namespace

SearchField::SearchField(QWidget* parent)
    : QWidget(parent),
      edit_(new QLineEdit(this)),
      clear_(
          new IconButton("ph-x-light", QSizeF(11, 11), QSize(11, 11), {.normal = Tint::of(ThemeColor::muted)}, this)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusProxy(edit_);

    auto* row = new QHBoxLayout(this);
    // The glass is painted in the left padding; the text field starts after it.
    row->setContentsMargins(ringRoom + padding + int(glassSide) + spacing, ringRoom, ringRoom + padding, ringRoom);
    row->setSpacing(spacing);
    row->addWidget(edit_, 1);
    row->addWidget(clear_, 0, Qt::AlignVCenter);

    edit_->setFrame(false);
    edit_->setPlaceholderText(QStringLiteral("Filter servers…"));
    edit_->setFont(PanelStyle::monoFont(12));
    edit_->setAccessibleName(QStringLiteral("Filter servers…"));
    edit_->installEventFilter(this);
    clear_->setHelp(QStringLiteral("Clear"), QStringLiteral("Clear search"));
    clear_->hide();

    connect(edit_, &QLineEdit::textChanged, this, [this](const QString& text) { clear_->setVisible(!text.isEmpty()); });
    connect(edit_, &QLineEdit::textEdited, this, &SearchField::textEdited);
    connect(clear_, &QAbstractButton::clicked, this, [this] {
        edit_->clear();
        emit textEdited(QString());
    });
    applyColors();
}

QString SearchField::text() const { return edit_->text(); }

void SearchField::setText(const QString& text) {
    if (edit_->text() != text) edit_->setText(text);
}

bool SearchField::isFocused() const { return edit_->hasFocus(); }

void SearchField::setFocused(bool focused) {
    if (focused == isFocused()) return;
    if (focused) edit_->setFocus(Qt::OtherFocusReason);
    else edit_->clearFocus();
}

QRectF SearchField::fieldRect() const { return QRectF(rect()).adjusted(ringRoom, ringRoom, -ringRoom, -ringRoom); }

QColor SearchField::borderColor() const {
    if (isFocused()) return Tint::of(ThemeColor::alive, 0.5).resolve(palette());
    if (hovered_) return Tint::primary(0.22).resolve(palette());
    return Tint::of(ThemeColor::hairline).resolve(palette());
}

QSize SearchField::sizeHint() const { return {200, fieldHeight + 2 * ringRoom}; }

QSize SearchField::minimumSizeHint() const {
    return {2 * (ringRoom + padding) + int(glassSide) + spacing + 40, fieldHeight + 2 * ringRoom};
}

void SearchField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF field = fieldRect();
    if (showsFocusRing()) {
        // A 3 px band whose inner edge touches the field: stroked along a line 1.5 px outside it.
        painter.setPen(QPen(Tint::of(ThemeColor::alive, 0.2).resolve(palette()), 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(field.adjusted(-1.5, -1.5, 1.5, 1.5), radius, radius);
    }
    painter.setPen(QPen(borderColor(), 1));
    painter.setBrush(Tint::of(ThemeColor::fieldBg).resolve(palette()));
    painter.drawRoundedRect(field.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);

    const QRectF glass(field.left() + padding, field.center().y() - glassSide / 2, glassSide, glassSide);
    Icons::paint(painter, glass, "ph-magnifying-glass-light", Tint::of(ThemeColor::muted).resolve(palette()));
}

void SearchField::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QWidget::enterEvent(event);
}

void SearchField::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QWidget::leaveEvent(event);
}

void SearchField::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) setFocused(true);
    QWidget::mousePressEvent(event);
}

void SearchField::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) applyColors();
    QWidget::changeEvent(event);
}

bool SearchField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        update();
        emit focusedChanged(event->type() == QEvent::FocusIn);
    }
    return QWidget::eventFilter(watched, event);
}

void SearchField::applyColors() {
    // The text field draws with its own palette; the field behind it is painted here.
    QPalette colors = edit_->palette();
    colors.setColor(QPalette::Base, Qt::transparent);
    colors.setColor(QPalette::Text, Tint::of(ThemeColor::ink).resolve(palette()));
    colors.setColor(QPalette::PlaceholderText, Tint::tertiary().resolve(palette()));
    edit_->setPalette(colors);
}
