#pragma once
// The desktop's colour-scheme preference, as the XDG desktop portal gives it on the session bus:
// org.freedesktop.portal.Settings (service org.freedesktop.portal.Desktop, object
// /org/freedesktop/portal/desktop), namespace "org.freedesktop.appearance", key "color-scheme", a
// number: 0 no preference, 1 dark, 2 light. Read when the object is made, with ReadOne, or with Read
// from a portal older than that method (its value comes wrapped in one more variant); then followed
// through the portal's SettingChanged signal. Nothing waits for the portal: the answer comes later,
// as a change. No session bus, no portal, an error or a value that is none of the three numbers:
// no preference. Main thread only.

#include <optional>

#include <QDBusMessage>  // whole: the slot's parameter is matched to the signal by its meta type
#include <QObject>
#include <QVariant>

namespace Platform {

class ColorSchemePortal : public QObject {
    Q_OBJECT
public:
    enum class Scheme { noPreference, dark, light };

    explicit ColorSchemePortal(QObject* parent = nullptr);

    // The scheme a setting's value names, looked for inside any number of variants; none for
    // anything but the numbers 0, 1 and 2.
    static std::optional<Scheme> schemeOf(const QVariant& value);

signals:
    // Each time the preference differs from the one before (none at first).
    void schemeChanged(Platform::ColorSchemePortal::Scheme scheme);

private slots:
    void settingChanged(const QDBusMessage& message);

private:
    void read(const QString& method);
    void answered(const QString& method, const QDBusMessage& reply);
    void take(Scheme scheme);

    Scheme scheme_ = Scheme::noPreference;
    bool changeHeard_ = false;  // a change outdates the answer to the first read
};

}  // namespace Platform
