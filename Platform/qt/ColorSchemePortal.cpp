#include "Platform/qt/ColorSchemePortal.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

namespace Platform {
namespace {

const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
const QString interface = QStringLiteral("org.freedesktop.portal.Settings");
const QString appearance = QStringLiteral("org.freedesktop.appearance");
const QString colorScheme = QStringLiteral("color-scheme");

}  // namespace

ColorSchemePortal::ColorSchemePortal(QObject* parent) : QObject(parent) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    // The slot takes the whole message: a slot with a QDBusVariant parameter is matched to the
    // signal only once QtDBus has registered its own types, which it does lazily.
    bus.connect(service, path, interface, QStringLiteral("SettingChanged"), this, SLOT(settingChanged(QDBusMessage)));
    read(QStringLiteral("ReadOne"));
}

std::optional<ColorSchemePortal::Scheme> ColorSchemePortal::schemeOf(const QVariant& value) {
    QVariant inner = value;
    while (inner.metaType() == QMetaType::fromType<QDBusVariant>()) inner = inner.value<QDBusVariant>().variant();
    bool number = false;
    switch (inner.metaType().id()) {
    case QMetaType::UInt:
    case QMetaType::Int:
    case QMetaType::UShort:
    case QMetaType::Short:
    case QMetaType::UChar:
    case QMetaType::ULongLong:
    case QMetaType::LongLong: number = true; break;
    default: break;
    }
    if (!number) return std::nullopt;
    switch (inner.toLongLong()) {
    case 0: return Scheme::noPreference;
    case 1: return Scheme::dark;
    case 2: return Scheme::light;
    default: return std::nullopt;
    }
}

void ColorSchemePortal::read(const QString& method) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call << appearance << colorScheme;
    // Asynchronous: the portal may be started by D-Bus activation first, which can take seconds.
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, method](QDBusPendingCallWatcher* finished) {
        answered(method, finished->reply());
        finished->deleteLater();
    });
}

void ColorSchemePortal::answered(const QString& method, const QDBusMessage& reply) {
    if (changeHeard_) return;
    if (reply.type() == QDBusMessage::ErrorMessage) {
        // A portal from before ReadOne has only Read.
        if (method == QLatin1String("ReadOne") && QDBusError(reply).type() == QDBusError::UnknownMethod)
            read(QStringLiteral("Read"));
        return;
    }
    const QList<QVariant> arguments = reply.arguments();
    take(arguments.isEmpty() ? Scheme::noPreference : schemeOf(arguments.first()).value_or(Scheme::noPreference));
}

void ColorSchemePortal::settingChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() != 3 || arguments[0].toString() != appearance || arguments[1].toString() != colorScheme)
        return;
    changeHeard_ = true;
    take(schemeOf(arguments[2]).value_or(Scheme::noPreference));
}

void ColorSchemePortal::take(Scheme scheme) {
    if (scheme == scheme_) return;
    scheme_ = scheme;
    emit schemeChanged(scheme);
}

}  // namespace Platform
