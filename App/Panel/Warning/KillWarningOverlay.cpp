#include "App/Panel/Warning/KillWarningOverlay.h"

#include <QApplication>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "App/Panel/Controls/ButtonLooks.h"
#include "App/Panel/Controls/PanelStyle.h"
#include "Controls/TextView.h"
#include "Core/PanelModel/StopRoad.h"

namespace {

constexpr int sideMargin = 18;
constexpr int cardPadding = 14;
constexpr qreal cardRadius = 12;

bool isAnswerKey(const QKeyEvent& key) {
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || key.key() == Qt::Key_Escape;
}

// The card: its rounded fill and red outline; the texts and buttons are its children.
class Card : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(Tint::of(ThemeColor::card).resolve(palette()));
        painter.setPen(QPen(Tint::of(ThemeColor::red, 0.35).resolve(palette()), 1));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cardRadius, cardRadius);
    }
};

}  // namespace

KillWarningOverlay::Texts KillWarningOverlay::texts(bool container, std::int32_t signal) {
    const bool force = StopRoad::isForce(signal);
    const QString confirm = force ? QStringLiteral("Force Stop") : QStringLiteral("Stop");
    if (container) {
        if (force)
            return {QStringLiteral("Force-stop this container?"),
                    QStringLiteral("Force-stopping runs docker kill: the container stops immediately, with no chance "
                                   "to shut down cleanly. Unsaved work and unwritten state may be lost."),
                    confirm};
        return {QStringLiteral("Stop this container?"),
                QStringLiteral("This runs docker stop. The container gets a moment to shut down, but unsaved work "
                               "and unwritten state may still be lost."),
                confirm};
    }
    if (force)
        return {QStringLiteral("Force-stop this server?"),
                QStringLiteral("Force-stopping sends SIGKILL to the server's entire process group. The processes "
                               "cannot catch this signal, so they get no chance to save, flush or clean up. Unsaved "
                               "work may be lost."),
                confirm};
    return {QStringLiteral("Stop this server?"),
            QStringLiteral("Vellumark stops the server's entire process group, not just one process. The processes "
                           "are asked to exit cleanly (SIGTERM), but unsaved work in them may still be lost."),
            confirm};
}

KillWarningOverlay::KillWarningOverlay(QWidget* panel)
    : QWidget(panel),
      card_(new Card(this)),
      title_(new TextView(QString(), PanelStyle::systemFont(13, QFont::DemiBold), Tint::of(ThemeColor::red),
                          TextView::Mode::wrap)),
      explanation_(
          new TextView(QString(), PanelStyle::systemFont(11.5), Tint::of(ThemeColor::secondary), TextView::Mode::wrap)),
      cancel_(new TextButton(QStringLiteral("Cancel"), ButtonLooks::cardCancel())),
      confirm_(new TextButton(QString(), ButtonLooks::cardConfirm())) {
    setFocusPolicy(Qt::StrongFocus);
    title_->setObjectName(QStringLiteral("title"));
    explanation_->setObjectName(QStringLiteral("explanation"));
    cancel_->setObjectName(QStringLiteral("cancel"));
    confirm_->setObjectName(QStringLiteral("confirm"));
    auto* note = new TextView(QStringLiteral("You will only see this warning once."), PanelStyle::systemFont(11),
                              Tint::of(ThemeColor::faint), TextView::Mode::wrap);
    note->setObjectName(QStringLiteral("note"));

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    buttons->addWidget(confirm_);

    auto* stack = new QVBoxLayout(card_);
    stack->setContentsMargins(cardPadding, cardPadding, cardPadding, cardPadding);
    stack->setSpacing(10);
    stack->addWidget(title_);
    stack->addWidget(explanation_);
    stack->addWidget(note);
    stack->addSpacing(2);
    stack->addLayout(buttons);

    auto* shadow = new QGraphicsDropShadowEffect(card_);
    shadow->setColor(QColor(0, 0, 0, int(0.28 * 255)));
    shadow->setBlurRadius(36);
    shadow->setOffset(0, 6);
    card_->setGraphicsEffect(shadow);

    connect(cancel_, &QAbstractButton::clicked, this, &KillWarningOverlay::cancel);
    connect(confirm_, &QAbstractButton::clicked, this, &KillWarningOverlay::confirm);
    panel->installEventFilter(this);
    hide();
}

void KillWarningOverlay::present(bool container, std::int32_t signal) {
    const Texts shown = texts(container, signal);
    title_->setText(shown.title);
    explanation_->setText(shown.explanation);
    confirm_->setText(shown.confirm);
    confirm_->updateGeometry();
    setGeometry(parentWidget()->rect());
    placeCard();
    raise();
    if (!isVisible()) focusBefore_ = QApplication::focusWidget();
    show();
    setFocus(Qt::OtherFocusReason);
}

void KillWarningOverlay::confirm() { answer(true); }

void KillWarningOverlay::cancel() { answer(false); }

void KillWarningOverlay::answer(bool confirmed) {
    if (!isVisible()) return;
    // The focus goes back before the card hides: hiding it with the focus would pass the focus on
    // as a Tab does, and the filter field would take it with its query selected.
    if (focusBefore_) focusBefore_->setFocus(Qt::OtherFocusReason);
    else clearFocus();
    focusBefore_ = nullptr;
    hide();
    if (confirmed) emit this->confirmed();
    else emit cancelled();
}

void KillWarningOverlay::placeCard() {
    const int width = std::max(0, this->width() - 2 * sideMargin);
    const int height = card_->layout()->hasHeightForWidth() ? card_->layout()->heightForWidth(width)
                                                            : card_->layout()->sizeHint().height();
    card_->setGeometry(sideMargin, (this->height() - height) / 2, width, height);
}

bool KillWarningOverlay::event(QEvent* event) {
    // The card's keys come here first, ahead of any shortcut of the panel (an armed row's Escape).
    if (event->type() == QEvent::ShortcutOverride && isAnswerKey(static_cast<QKeyEvent&>(*event))) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

bool KillWarningOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
    }
    return QWidget::eventFilter(watched, event);
}

void KillWarningOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, int(0.45 * 255 + 0.5)));
}

void KillWarningOverlay::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: confirm(); break;
    case Qt::Key_Escape: cancel(); break;
    default: break;  // the card is modal: other keys go nowhere
    }
    event->accept();
}

void KillWarningOverlay::mousePressEvent(QMouseEvent* event) {
    // Clicks on the card itself land on the card; only the dimmed panel around it cancels.
    if (!card_->geometry().contains(event->position().toPoint())) cancel();
    event->accept();
}

void KillWarningOverlay::resizeEvent(QResizeEvent* event) {
    placeCard();
    QWidget::resizeEvent(event);
}
