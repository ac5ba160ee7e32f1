#pragma once
// The field in which the user sets the shortcut of one name. It shows the stored shortcut
// ("⌥⌘P"), starts recording when it gets keyboard focus (a click, Tab) but never takes the focus
// by itself when its window appears or comes to the front, and while recording turns the next
// qualifying key press into the name's shortcut.
//
// While recording: the placeholder asks for a shortcut, no caret shows, every registered shortcut
// is paused (GlobalShortcuts::isPaused) and the recorder-status notification says so. The
// application lets go of its key grabs meanwhile, so its own combinations reach the field too (the
// shortcut set now is stored again); they are grabbed again when recording ends, and before a
// recorded shortcut is stored.
// - Escape ends recording and keeps the shortcut; Tab ends it and moves on; a click more than 3
//   pixels outside the field ends it and still reaches its target.
// - Delete, Backspace or the clear button removes the shortcut and recording goes on.
// - A key without Control, Alt or Super (Shift alone is not enough) beeps, except F1…F20: the rule
//   of Shortcut::isRecordable, which the registry applies to stored shortcuts too.
// - A shortcut an item of the application's menus uses, or one another program holds, is refused
//   in a window-modal alert; the latter can be used anyway. A shortcut whose grab is then refused
//   is not stored either: an alert says so and the old shortcut stays.
// - Anything else is stored (and registered at once), shown, handed to onChange, and recording ends.
//
// Main thread. The texts come from the module's localisation keys (Texts.h).

#include <QLineEdit>
#include <QList>
#include <QPointer>

#include <functional>
#include <optional>

#include "GlobalShortcuts/Name.h"
#include "GlobalShortcuts/Notifications.h"

class QAction;
class QKeyEvent;
class QMenu;
class QMouseEvent;

namespace GlobalShortcuts {

class RecorderField : public QLineEdit {
    Q_OBJECT

public:
    static constexpr int minimumWidth = 130;
    using OnChange = std::function<void(const std::optional<Shortcut>&)>;
    using MenuProvider = std::function<QList<QMenu*>()>;

    explicit RecorderField(Name name, OnChange onChange = {}, QWidget* parent = nullptr);
    ~RecorderField() override;

    const Name& shortcutName() const { return name_; }
    // Shows the new name's stored shortcut.
    void setShortcutName(Name name);
    bool isRecording() const { return recording_; }

    // The menus whose items' shortcuts a recorded shortcut must not repeat; by default every menu of
    // the application.
    void setMenusToSearch(MenuProvider menus) { menus_ = std::move(menus); }
    // The system beep by default.
    void setBeep(std::function<void()> beep) { beep_ = std::move(beep); }

    // The action behind the clear button.
    QAction* clearAction() const { return clearAction_; }

    QSize sizeHint() const override;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Monitor;

    void showStoredShortcut();
    void updateClearButton();
    void startRecording();
    void endRecording();
    void releaseGrabs();
    void retakeGrabs();
    void preventTakingFocus();
    void observeWindow(QWidget* window);
    void clearFromUser();

    // The recording rules: whether the event is consumed.
    bool handleKey(QKeyEvent& event);
    bool handleMouseUp(QMouseEvent& event);
    void record(const Shortcut& shortcut);

    enum class AlertChoice { first, second };
    // A window-modal alert, with recording paused meanwhile and resumed afterwards; none when the
    // field went away meanwhile.
    std::optional<AlertChoice> refuseWithAlert(const QString& text, const QString& informative = {},
                                               const QString& secondButton = {});

    Name name_;
    OnChange onChange_;
    MenuProvider menus_;
    std::function<void()> beep_;
    QAction* clearAction_;
    Monitor* monitor_;
    QPointer<QWidget> observedWindow_;
    bool recording_ = false;
    bool grabsReleased_ = false;
    Platform::Subscription nameChanges_;
};

}  // namespace GlobalShortcuts
