#pragma once
// While one of the application's pop-ups (its panel, a menu) is open, it holds the keyboard grab
// and the root window's key grabs do not fire: the keys come to the application itself. This
// filter looks at those keys, once each as they reach a window, and reports presses and releases
// to the owner, which says whether they were one of its shortcuts; those are consumed. Auto-repeat
// releases are skipped, so a held key is released once.
//
// Main thread; lives as long as the owner wants the keys.

#include <QObject>

#include <functional>

#include "GlobalShortcuts/Shortcut.h"

namespace GlobalShortcuts {

class PopupKeyMatcher final : public QObject {
public:
    PopupKeyMatcher(std::function<bool(const Shortcut&)> onPress, std::function<bool(Key)> onRelease);
    ~PopupKeyMatcher() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool(const Shortcut&)> onPress_;
    std::function<bool(Key)> onRelease_;
};

}  // namespace GlobalShortcuts
