#include "GlobalShortcuts/CarbonGlobalShortcuts.h"

#include <QGuiApplication>

#include <iostream>
#include <map>
#include <memory>

#include "GlobalShortcuts/PopupKeyMatcher.h"
#include "GlobalShortcuts/X11KeyGrabs.h"
#include "Platform/SystemLog.h"

namespace GlobalShortcuts::CarbonGlobalShortcuts {

namespace {

struct HotKey {
    Shortcut shortcut;
    bool grabbed = false;
    bool isDown = false;
    Handler onKeyDown, onKeyUp;
};

struct State {
    bool enabled = true;
    int hotKeyId = 0;               // the last id given; never reused
    std::map<int, HotKey> hotKeys;  // by id, so the oldest matches first
    bool backendLooked = false;
    std::unique_ptr<X11KeyGrabs> grabs;
    std::unique_ptr<PopupKeyMatcher> popupKeys;
};

State& state() {
    static State* instance = new State;
    return *instance;
}

void reportRefusal(const Shortcut& shortcut, int status) {
    std::cout << "Error registering hotkey " << shortcut.presentableDescription() << ": " << status << std::endl;
}

bool keyPressed(const Shortcut& shortcut) {
    State& s = state();
    if (!s.enabled) return false;
    for (auto& [id, hotKey] : s.hotKeys) {
        if (hotKey.shortcut != shortcut) continue;
        if (hotKey.isDown) return true;  // auto-repeat
        hotKey.isDown = true;
        const Handler handler = hotKey.onKeyDown;  // the handler may change the hot keys
        if (handler) handler(shortcut);
        return true;
    }
    return false;
}

bool keyReleased(Key key) {
    State& s = state();
    for (auto& [id, hotKey] : s.hotKeys) {
        if (!hotKey.isDown || hotKey.shortcut.key() != key) continue;
        hotKey.isDown = false;
        const Shortcut shortcut = hotKey.shortcut;
        const Handler handler = hotKey.onKeyUp;
        if (handler) handler(shortcut);
        return true;
    }
    return false;
}

X11KeyGrabs* backend() {
    State& s = state();
    if (!s.backendLooked) {
        s.backendLooked = true;
        s.grabs = X11KeyGrabs::forApplication();
        if (s.grabs) {
            s.grabs->onPress = keyPressed;
            s.grabs->onRelease = keyReleased;
            s.popupKeys = std::make_unique<PopupKeyMatcher>(keyPressed, keyReleased);
        } else {
            const QString platform = qGuiApp ? QGuiApplication::platformName() : QStringLiteral("none");
            Platform::systemLog("Vellumark: no global shortcuts on the \"" + platform.toStdString() +
                                "\" platform: they need an X11 session (Wayland has no global key grabs)");
        }
    }
    return s.grabs.get();
}

}  // namespace

bool isAvailable() { return backend() != nullptr; }

Registration registerShortcut(const Shortcut& shortcut, Handler onKeyDown, Handler onKeyUp) {
    State& s = state();
    const int id = ++s.hotKeyId;
    X11KeyGrabs* grabs = backend();
    if (!grabs) return Registration::unavailable;
    bool grabbed = false;
    if (s.enabled) {
        if (const int status = grabs->grab(shortcut); status != X11KeyGrabs::granted) {
            reportRefusal(shortcut, status);
            return Registration::refused;
        }
        grabbed = true;
    }
    s.hotKeys.emplace(id, HotKey{shortcut, grabbed, false, std::move(onKeyDown), std::move(onKeyUp)});
    return Registration::registered;
}

void unregister(const Shortcut& shortcut) {
    State& s = state();
    for (auto it = s.hotKeys.begin(); it != s.hotKeys.end();) {
        if (it->second.shortcut != shortcut) {
            ++it;
            continue;
        }
        if (it->second.grabbed && s.grabs) s.grabs->ungrab(shortcut);
        it = s.hotKeys.erase(it);
    }
}

bool holds(const Shortcut& shortcut) {
    for (const auto& [id, hotKey] : state().hotKeys)
        if (hotKey.shortcut == shortcut) return true;
    return false;
}

void setEnabled(bool enabled) {
    State& s = state();
    if (s.enabled == enabled) return;
    s.enabled = enabled;
    if (!s.grabs) return;
    for (auto it = s.hotKeys.begin(); it != s.hotKeys.end();) {
        HotKey& hotKey = it->second;
        hotKey.isDown = false;
        if (!enabled) {
            if (hotKey.grabbed) s.grabs->ungrab(hotKey.shortcut);
            hotKey.grabbed = false;
        } else if (!hotKey.grabbed) {
            if (const int status = s.grabs->grab(hotKey.shortcut); status != X11KeyGrabs::granted) {
                reportRefusal(hotKey.shortcut, status);
                it = s.hotKeys.erase(it);
                continue;
            }
            hotKey.grabbed = true;
        }
        ++it;
    }
}

bool isTakenBySystem(const Shortcut& shortcut) {
    if (holds(shortcut)) return false;
    X11KeyGrabs* grabs = backend();
    return grabs && grabs->isHeldByAnotherClient(shortcut);
}

}  // namespace GlobalShortcuts::CarbonGlobalShortcuts
