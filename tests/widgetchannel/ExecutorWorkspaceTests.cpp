// Reveal and open through the real Qt workspace, with URL handlers standing in for the browser and
// the file manager's folder window. The session bus points nowhere (see ExecutorTestMain.cpp), so
// revealing falls back to opening the folder that holds the item.

#include "App/Control/WidgetCommandExecutor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QList>
#include <QUrl>

#include "support/TempHome.h"

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

namespace {

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

TEST_F(ExecutorWorkspace, OpenLocalhostOpensEachPortFromOneUpInListOrder) {
    WidgetCommandExecutor::execute({WidgetCommand::openLocalhost(5173), WidgetCommand::openLocalhost(0),
                                    WidgetCommand::kill({}, {}), WidgetCommand::openLocalhost(-1),
                                    WidgetCommand::openLocalhost(INT64_MIN), WidgetCommand::openLocalhost(1),
                                    WidgetCommand::openLocalhost(5173)});
    EXPECT_EQ(browser.opened, (QList<QUrl>{QUrl("http://localhost:5173"), QUrl("http://localhost:1"),
                                           QUrl("http://localhost:5173")}));
}

TEST_F(ExecutorWorkspace, RevealFolderFallsBackToOpeningTheFolderThatHoldsIt) {
    WidgetCommandExecutor::execute({WidgetCommand::revealFolder(""), WidgetCommand::revealFolder("/srv/projects/site/"),
                                    WidgetCommand::revealFolder("site"), WidgetCommand::revealFolder("/")});
    // Answers come back in the order of the calls, so had the empty path made a call, its fallback
    // would come first.
    QElapsedTimer timer;
    for (timer.start(); folders.opened.size() < 3 && timer.elapsed() < 30000;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_EQ(folders.opened, (QList<QUrl>{QUrl::fromLocalFile("/srv/projects"), QUrl::fromLocalFile(QDir::currentPath()),
                                           QUrl::fromLocalFile("/")}));
}

}  // namespace

#include "ExecutorWorkspaceTests.moc"
