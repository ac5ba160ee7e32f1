#include "GlobalShortcuts/RecorderField.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>

#include "GlobalShortcuts/CarbonGlobalShortcuts.h"
#include "GlobalShortcuts/GlobalShortcuts.h"
#include "GlobalShortcuts/KeyEvents.h"
#include "GlobalShortcuts/Texts.h"

namespace GlobalShortcuts {

namespace {

// A click this far outside the field still counts as on it.
constexpr int clickSlop = 3;

QString localizedText(std::string_view key) { return QString::fromStdString(localized(key)); }

QList<QMenu*> applicationMenus() {
    QList<QMenu*> menus;
    for (QWidget* widget : QApplication::allWidgets())
        if (auto* menu = qobject_cast<QMenu*>(widget)) menus.append(menu);
    return menus;
}

bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock: return true;
    default: return false;
    }
}

}  // namespace

// While recording: sees the application's key presses to the field and every mouse release.
class RecorderField::Monitor final : public QObject {
public:
    explicit Monitor(RecorderField& field) : QObject(&field), field_(field) {}
    void start() { QCoreApplication::instance()->installEventFilter(this); }
    void stop() { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Every key must come as a key press, also one an action of the application uses.
            if (watched != &field_) return false;
            event->accept();
            return true;
        case QEvent::KeyPress: return watched == &field_ && field_.handleKey(static_cast<QKeyEvent&>(*event));
        case QEvent::MouseButtonRelease: return field_.handleMouseUp(static_cast<QMouseEvent&>(*event));
        default: return false;
        }
    }

private:
    RecorderField& field_;
};

RecorderField::RecorderField(Name name, OnChange onChange, QWidget* parent)
    : QLineEdit(parent),
      name_(std::move(name)),
      onChange_(std::move(onChange)),
      menus_(applicationMenus),
      beep_(&QApplication::beep),
      monitor_(new Monitor(*this)) {
    // The text is only ever the recorded shortcut: typing, pasting and dropping are the recorder's.
    setReadOnly(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    setDragEnabled(false);
    setAcceptDrops(false);
    setFocusPolicy(Qt::StrongFocus);
    setAlignment(Qt::AlignCenter);
    setPlaceholderText(localizedText("record_shortcut"));
    setMinimumWidth(minimumWidth);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    clearAction_ = addAction(style()->standardIcon(QStyle::SP_LineEditClearButton), QLineEdit::TrailingPosition);
    connect(clearAction_, &QAction::triggered, this, &RecorderField::clearFromUser);

    showStoredShortcut();
    nameChanges_ = Platform::Subscription(Notifications::shortcutByNameDidChange(),
                                          [field = QPointer<RecorderField>(this)](const Name& changed) {
                                              if (field && changed == field->name_) field->showStoredShortcut();
                                          });
}

RecorderField::~RecorderField() {
    if (recording_) endRecording();
}

void RecorderField::setShortcutName(Name name) {
    if (name.rawValue == name_.rawValue) return;
    name_ = std::move(name);
    showStoredShortcut();
}

QSize RecorderField::sizeHint() const { return {minimumWidth, QLineEdit::sizeHint().height()}; }

void RecorderField::showStoredShortcut() {
    const auto shortcut = getShortcut(name_);
    setText(shortcut ? QString::fromStdString(shortcut->presentableDescription()) : QString());
    updateClearButton();
}

void RecorderField::updateClearButton() { clearAction_->setVisible(!text().isEmpty()); }

// --- Focus and window ------------------------------------------------------------------------------

void RecorderField::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (window()->isVisible()) startRecording();
}

void RecorderField::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    endRecording();
}

void RecorderField::showEvent(QShowEvent* event) {
    QLineEdit::showEvent(event);
    observeWindow(window());
    preventTakingFocus();
}

void RecorderField::hideEvent(QHideEvent* event) {
    QLineEdit::hideEvent(event);
    endRecording();
}

void RecorderField::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    // A focused line edit with centred text hides its placeholder; this one is focused exactly
    // while recording, when its placeholder asks for the shortcut.
    if (!hasFocus() || !text().isEmpty()) return;
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(area, Qt::AlignCenter, fontMetrics().elidedText(placeholderText(), Qt::ElideRight, area.width()));
}

void RecorderField::observeWindow(QWidget* newWindow) {
    if (observedWindow_ == newWindow) return;
    if (observedWindow_) observedWindow_->removeEventFilter(this);
    observedWindow_ = newWindow;
    if (newWindow) newWindow->installEventFilter(this);
}

bool RecorderField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == observedWindow_) {
        if (event->type() == QEvent::WindowActivate) preventTakingFocus();
        if (event->type() == QEvent::WindowDeactivate && recording_) clearFocus();
    }
    return QLineEdit::eventFilter(watched, event);
}

// A window hands its focus to the first field that takes Tab focus when it appears or comes to the
// front; this field must wait for the user instead. Back in the Tab order on the next turn.
void RecorderField::preventTakingFocus() {
    if (hasFocus()) return;
    setFocusPolicy(Qt::NoFocus);
    QTimer::singleShot(0, this, [this] { setFocusPolicy(Qt::StrongFocus); });
}

// --- Recording -------------------------------------------------------------------------------------

void RecorderField::startRecording() {
    if (recording_) return;
    recording_ = true;
    setPlaceholderText(localizedText("press_shortcut"));
    updateClearButton();
    setPaused(true);
    releaseGrabs();
    Notifications::recorderActiveStatusDidChange().notify(true);
    monitor_->start();
}

void RecorderField::endRecording() {
    if (!recording_) return;
    recording_ = false;
    monitor_->stop();
    setPlaceholderText(localizedText("record_shortcut"));
    updateClearButton();
    retakeGrabs();
    setPaused(false);
    Notifications::recorderActiveStatusDidChange().notify(false);
}

// A grab of the application's takes its combination before any window sees it: pressed while
// recording, the shortcut set now would never reach the field.
void RecorderField::releaseGrabs() {
    if (grabsReleased_ || !isEnabled()) return;
    grabsReleased_ = true;
    CarbonGlobalShortcuts::setEnabled(false);
}

void RecorderField::retakeGrabs() {
    if (!grabsReleased_) return;
    grabsReleased_ = false;
    CarbonGlobalShortcuts::setEnabled(isEnabled());
}

void RecorderField::clearFromUser() {
    if (setShortcut(std::nullopt, name_) != StoreResult::stored) {
        // The removal could not be written: the shortcut stays, and the field says so.
        showStoredShortcut();
        refuseWithAlert(QString::fromStdString(localized("keyboard_shortcut_not_saved", text().toStdString())));
        return;
    }
    setText(QString());
    updateClearButton();
    if (onChange_) onChange_(std::nullopt);
    // Recording goes on.
    setFocus(Qt::OtherFocusReason);
}

bool RecorderField::handleMouseUp(QMouseEvent& event) {
    if (event.button() != Qt::LeftButton && event.button() != Qt::RightButton) return false;
    const QPoint at = mapFromGlobal(event.globalPosition().toPoint());
    if (!rect().adjusted(-clickSlop, -clickSlop, clickSlop, clickSlop).contains(at)) {
        clearFocus();
        return false;
    }
    // The clear button takes its click; the rest of the field swallows it.
    return childAt(at) == nullptr;
}

bool RecorderField::handleKey(QKeyEvent& event) {
    const Qt::KeyboardModifiers held =
        event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const int key = event.key();
    // A modifier alone is half a shortcut: wait for the rest.
    if (isModifierKey(key)) return true;
    if (key == Qt::Key_Tab && !held) {
        // On to the next control; a field alone in its window just stops recording.
        focusNextChild();
        if (hasFocus()) clearFocus();
        return true;
    }
    if (key == Qt::Key_Escape && !held) {
        clearFocus();
        return true;
    }
    if ((key == Qt::Key_Backspace || key == Qt::Key_Delete) && !held) {
        clearFromUser();
        return true;
    }
    // A key without a Carbon key code, or one the rule refuses (see Shortcut::isRecordable).
    const auto shortcut = shortcutOfEvent(event);
    if (!shortcut || !shortcut->isRecordable()) {
        beep_();
        return true;
    }

    if (QAction* item = menuItemWithMatchingShortcut(*shortcut, menus_ ? menus_() : QList<QMenu*>())) {
        const QString title = menuItemTitle(*item);
        refuseWithAlert(QString::fromStdString(localized("keyboard_shortcut_used_by_menu_item", title.toStdString())));
        return true;
    }
    // The rule for Option-only shortcuts in a sandbox belongs to one desktop release that Linux
    // does not have.
    const bool lonelyF12 = shortcut->key() == Key::f12 && shortcut->carbonModifiers == 0;
    if (!lonelyF12 && CarbonGlobalShortcuts::isTakenBySystem(*shortcut)) {
        const auto choice =
            refuseWithAlert(localizedText("keyboard_shortcut_used_by_system"),
                            localizedText("keyboard_shortcuts_can_be_changed"), localizedText("force_use_shortcut"));
        if (choice != AlertChoice::second) return true;
    }
    record(*shortcut);
    return true;
}

void RecorderField::record(const Shortcut& shortcut) {
    const QString shown = QString::fromStdString(shortcut.presentableDescription());
    // Held again first: only then does storing learn whether the new combination can be grabbed.
    retakeGrabs();
    if (const StoreResult result = userDefaultsSet(name_, shortcut); result != StoreResult::stored) {
        showStoredShortcut();
        const char* why =
            result == StoreResult::refused ? "keyboard_shortcut_not_registered" : "keyboard_shortcut_not_saved";
        refuseWithAlert(QString::fromStdString(localized(why, shown.toStdString())));
        return;
    }
    setText(shown);
    updateClearButton();
    if (onChange_) onChange_(shortcut);
    clearFocus();
}

std::optional<RecorderField::AlertChoice> RecorderField::refuseWithAlert(const QString& message,
                                                                         const QString& informative,
                                                                         const QString& secondButton) {
    QPointer<RecorderField> self(this);
    clearFocus();
    // On the heap: closing the window meanwhile deletes the alert with it.
    QPointer<QMessageBox> alert = new QMessageBox(QMessageBox::Warning, QApplication::applicationName(), message,
                                                  QMessageBox::NoButton, window());
    alert->setWindowModality(Qt::WindowModal);
    if (!informative.isEmpty()) alert->setInformativeText(informative);
    QPushButton* ok = alert->addButton(localizedText("ok"), QMessageBox::AcceptRole);
    QPushButton* second =
        secondButton.isEmpty() ? nullptr : alert->addButton(secondButton, QMessageBox::DestructiveRole);
    alert->setDefaultButton(ok);
    alert->exec();
    const bool secondChosen = alert && second && alert->clickedButton() == second;
    delete alert.data();
    if (!self) return std::nullopt;
    // The alert's window is gone; its parent is the active window again, with the field focused.
    window()->activateWindow();
    setFocus(Qt::OtherFocusReason);
    return secondChosen ? AlertChoice::second : AlertChoice::first;
}

}  // namespace GlobalShortcuts
