// Reveal and open through the real Qt workspace: URL handlers stand in for the browser and the file
// manager's folder window, a service on the test's private bus for the file manager.

#include "App/Control/WidgetCommandExecutor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "Platform/AtomicFile.h"
#include "support/TempHome.h"
#include "widgetchannel/PrivateSessionBus.h"

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

// Answers ShowItems the way a file manager does, and remembers what it was asked to show.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QList<QStringList> shownItems;
    QStringList startupIds;
public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString& startupId) {
        shownItems.append(uris);
        startupIds.append(startupId);
    }
};

namespace {

namespace fs = std::filesystem;
using widgetchannel_tests::PrivateSessionBus;

// Runs the event loop until the condition holds; the limit only keeps a broken path from hanging.
bool spinUntil(const std::function<bool()>& condition) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > 30000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class ExecutorWorkspace : public ::testing::Test {
protected:
    void SetUp() override {
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &folders, "open");
    }
    void TearDown() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    }

    testing_support::TempHome home;
    UrlRecorder browser;
    UrlRecorder folders;
};

// ---- openLocalhost ---------------------------------------------------------------------------------

TEST_F(ExecutorWorkspace, OpenLocalhostOpensTheLocalAddressInTheBrowser) {
    WidgetCommandExecutor::execute({WidgetCommand::openLocalhost(3000)});
    EXPECT_EQ(browser.opened, QList<QUrl>{QUrl(QStringLiteral("http://localhost:3000"))});
}

TEST_F(ExecutorWorkspace, PortsBelowOneOpenNothing) {
    WidgetCommandExecutor::execute({WidgetCommand::openLocalhost(0), WidgetCommand::openLocalhost(-1),
                                    WidgetCommand::openLocalhost(INT64_MIN), WidgetCommand::openLocalhost(1)});
    EXPECT_EQ(browser.opened, QList<QUrl>{QUrl(QStringLiteral("http://localhost:1"))});
}

TEST_F(ExecutorWorkspace, CommandsRunInListOrderEachOnce) {
    WidgetCommandExecutor::execute({WidgetCommand::openLocalhost(5173), WidgetCommand::kill({}, {}),
                                    WidgetCommand::openLocalhost(8080), WidgetCommand::openLocalhost(5173)});
    EXPECT_EQ(browser.opened, (QList<QUrl>{QUrl(QStringLiteral("http://localhost:5173")),
                                           QUrl(QStringLiteral("http://localhost:8080")),
                                           QUrl(QStringLiteral("http://localhost:5173"))}));
}

TEST_F(ExecutorWorkspace, APortAboveTheTCPRangeIsStillOpened) {
    // Qt's URL type refuses ports above 65535, so such an address goes straight to the desktop's
    // opener; a stand-in on PATH records what it was given.
    testing_support::TempDir bin;
    const fs::path record = bin.path() / "opened.txt";
    const fs::path opener = bin.path() / "xdg-open";
    std::ofstream(opener) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << record.string() << ".part'\nmv '"
                          << record.string() << ".part' '" << record.string() << "'\n";
    fs::permissions(opener, fs::perms::owner_all);
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (bin.path().string() + ":" + savedPath).c_str(), 1);

    WidgetCommandExecutor::execute({WidgetCommand::openLocalhost(70000)});
    const bool opened = spinUntil([&] { return fs::exists(record); });
    ::setenv("PATH", savedPath.c_str(), 1);
    ASSERT_TRUE(opened);
    EXPECT_EQ(Platform::readWholeFile(record), "http://localhost:70000\n");
}

// ---- revealFolder ----------------------------------------------------------------------------------

TEST_F(ExecutorWorkspace, WithoutAFileManagerServiceTheParentFolderIsOpened) {
    // The private bus has no FileManager1 (or there is no bus at all): the call fails and the
    // folder holding the item opens instead.
    WidgetCommandExecutor::execute({WidgetCommand::revealFolder("/srv/projects/site")});
    ASSERT_TRUE(spinUntil([&] { return !folders.opened.isEmpty(); }));
    EXPECT_EQ(folders.opened, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/srv/projects"))});
}

TEST_F(ExecutorWorkspace, TrailingSlashesRelativeAndEmptyPathsAreHandled) {
    const QString current = QDir::currentPath();
    WidgetCommandExecutor::execute({WidgetCommand::revealFolder(""), WidgetCommand::revealFolder("/srv/projects/site/"),
                                    WidgetCommand::revealFolder("site"), WidgetCommand::revealFolder("/")});
    // Answers come back in the order of the calls, so had the empty path made a call, its fallback
    // would come first.
    ASSERT_TRUE(spinUntil([&] { return folders.opened.size() >= 3; }));
    EXPECT_EQ(folders.opened, (QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/srv/projects")),
                                           QUrl::fromLocalFile(current), QUrl::fromLocalFile(QStringLiteral("/"))}));
}

TEST_F(ExecutorWorkspace, TheFileManagerIsAskedToShowTheItemSelected) {
    const PrivateSessionBus* bus = PrivateSessionBus::current();
    if (!bus || !bus->isRunning()) GTEST_SKIP() << "dbus-daemon is not installed";
    QDBusConnection serviceSide = QDBusConnection::connectToBus(bus->address(), QStringLiteral("fake-file-manager"));
    ASSERT_TRUE(serviceSide.isConnected());
    FakeFileManager fileManager;
    ASSERT_TRUE(serviceSide.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &fileManager,
                                           QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(serviceSide.registerService(QStringLiteral("org.freedesktop.FileManager1")));

    WidgetCommandExecutor::execute({WidgetCommand::revealFolder("/srv/my site/ünï")});
    ASSERT_TRUE(spinUntil([&] { return !fileManager.shownItems.isEmpty(); }));
    EXPECT_EQ(fileManager.shownItems, QList<QStringList>{{QStringLiteral("file:///srv/my%20site/%C3%BCn%C3%AF")}});
    EXPECT_EQ(fileManager.startupIds, QStringList{QString()});

    // Once the service is gone the next reveal falls back; the answers keep their order, so a
    // fallback for the first reveal would show up before this one.
    serviceSide.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
    serviceSide.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
    WidgetCommandExecutor::execute({WidgetCommand::revealFolder("/srv/other/item")});
    ASSERT_TRUE(spinUntil([&] { return !folders.opened.isEmpty(); }));
    EXPECT_EQ(folders.opened, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/srv/other"))});
    EXPECT_EQ(fileManager.shownItems.size(), 1);
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-file-manager"));
}

}  // namespace

#include "ExecutorWorkspaceTests.moc"
