// The workspace on a freedesktop desktop: URLs through QDesktopServices, items shown through the
// file manager's D-Bus interface (org.freedesktop.FileManager1), the parent folder when no file
// manager answers it.

#include "Platform/Workspace.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

namespace Platform::Workspace {
namespace {

const QString fileManagerService = QStringLiteral("org.freedesktop.FileManager1");
const QString fileManagerPath = QStringLiteral("/org/freedesktop/FileManager1");

// QUrl refuses ports above 65535, which URLs in general allow (http://localhost:70000 is a URL a
// browser will answer with its own error page). True when the port is the only thing QUrl minds.
bool onlyThePortIsOutOfRange(const QString& text) {
    static const QRegularExpression withPort(
        QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*://[^/?#@]*(?:@[^/?#]*)?:)([0-9]+)(.*)$"));
    const QRegularExpressionMatch match = withPort.match(text);
    if (!match.hasMatch()) return false;
    const QUrl withSmallPort(match.captured(1) + QStringLiteral("1") + match.captured(3), QUrl::StrictMode);
    return withSmallPort.isValid();
}

void openParentFolder(const QString& item) {
    const QString parent = item == QStringLiteral("/") ? item : QFileInfo(item).absolutePath();
    QDesktopServices::openUrl(QUrl::fromLocalFile(parent));
}

}  // namespace

bool openURL(const std::string& url) {
    const QString text = QString::fromStdString(url);
    const QUrl parsed(text, QUrl::StrictMode);
    if (parsed.isValid() && !parsed.scheme().isEmpty()) return QDesktopServices::openUrl(parsed);
    // QDesktopServices takes only what QUrl accepts; the desktop's own opener takes the text as it is.
    if (onlyThePortIsOutOfRange(text)) return QProcess::startDetached(QStringLiteral("xdg-open"), {text});
    return false;
}

void activateFileViewerSelecting(const std::string& path) {
    if (path.empty()) return;
    const QString given = QFile::decodeName(QByteArray::fromStdString(path));
    const QString item = QDir::cleanPath(QDir::current().absoluteFilePath(given));

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openParentFolder(item);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(fileManagerService, fileManagerPath, fileManagerService,
                                                       QStringLiteral("ShowItems"));
    call << QStringList{QString::fromUtf8(QUrl::fromLocalFile(item).toEncoded())} << QString();
    // Asynchronous: starting the file manager through D-Bus activation can take seconds, and the main
    // thread must not wait for it.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [item](QDBusPendingCallWatcher* finished) {
        if (finished->isError()) openParentFolder(item);
        finished->deleteLater();
    });
}

}  // namespace Platform::Workspace
