#include "GlobalShortcuts/Bindings.h"

#include <QAbstractButton>
#include <QAction>
#include <QPointer>
#include <QShortcut>
#include <QWidget>

#include "GlobalShortcuts/KeyEvents.h"
#include "GlobalShortcuts/Notifications.h"

namespace GlobalShortcuts {

namespace {

constexpr const char* menuItemBindingName = "GlobalShortcuts.menuItemBinding";

QKeySequence sequenceOf(const std::optional<Shortcut>& shortcut) {
    return shortcut ? keySequence(*shortcut).value_or(QKeySequence()) : QKeySequence();
}

// Ends the stream when its widget goes.
class StreamHolder final : public QObject {
public:
    StreamHolder(QWidget& view, EventStream stream) : QObject(&view), stream_(std::move(stream)) {}

private:
    EventStream stream_;
};

// Keeps a view's shortcut on the name's stored shortcut.
class ViewShortcutBinding final : public QObject {
public:
    ViewShortcutBinding(QShortcut& shortcut, Name name)
        : QObject(&shortcut), shortcut_(shortcut), name_(std::move(name)), recorderActive_(isPaused()) {
        QPointer<ViewShortcutBinding> self(this);
        recorder_ = Platform::Subscription(Notifications::recorderActiveStatusDidChange(), [self](const bool& active) {
            if (!self) return;
            self->recorderActive_ = active;
            self->refresh();
        });
        names_ = Platform::Subscription(Notifications::shortcutByNameDidChange(), [self](const Name& changed) {
            if (self && changed == self->name_) self->refresh();
        });
        refresh();
    }

private:
    void refresh() { shortcut_.setKey(recorderActive_ ? QKeySequence() : sequenceOf(getShortcut(name_))); }

    QShortcut& shortcut_;
    Name name_;
    bool recorderActive_;
    Platform::Subscription recorder_;
    Platform::Subscription names_;
};

// Keeps a menu item on the name's stored shortcut.
class MenuItemBinding final : public QObject {
public:
    MenuItemBinding(QAction& item, Name name) : QObject(&item) {
        setObjectName(menuItemBindingName);
        QPointer<QAction> weakItem(&item);
        names_ = Platform::Subscription(Notifications::shortcutByNameDidChange(),
                                        [weakItem, name = std::move(name)](const Name& changed) {
                                            if (!(changed == name)) return;
                                            QMetaObject::invokeMethod(
                                                weakItem.data(),
                                                [weakItem, name] {
                                                    if (weakItem) setShortcut(*weakItem, getShortcut(name));
                                                },
                                                Qt::QueuedConnection);
                                        });
    }

private:
    Platform::Subscription names_;
};

}  // namespace

void onKeyboardShortcut(QWidget& view, const Name& name, std::function<void(EventType)> perform) {
    new StreamHolder(view, events(name, std::move(perform)));
}

void onKeyboardShortcut(QWidget& view, const Name& name, EventType type, Action perform) {
    new StreamHolder(view, events(type, name, std::move(perform)));
}

QShortcut* globalKeyboardShortcut(QWidget& view, const Name& name) {
    auto* shortcut = new QShortcut(&view);
    shortcut->setContext(Qt::WindowShortcut);
    new ViewShortcutBinding(*shortcut, name);
    if (auto* button = qobject_cast<QAbstractButton*>(&view))
        QObject::connect(shortcut, &QShortcut::activated, button, &QAbstractButton::animateClick);
    return shortcut;
}

void setShortcut(QAction& item, const std::optional<Shortcut>& shortcut) { item.setShortcut(sequenceOf(shortcut)); }

void setShortcut(QAction& item, const std::optional<Name>& name) {
    delete item.findChild<MenuItemBinding*>(menuItemBindingName, Qt::FindDirectChildrenOnly);
    if (!name) {
        item.setShortcut(QKeySequence());
        return;
    }
    setShortcut(item, getShortcut(*name));
    new MenuItemBinding(item, *name);
}

}  // namespace GlobalShortcuts
