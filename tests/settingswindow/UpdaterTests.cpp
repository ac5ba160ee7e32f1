// The updater against a feed served by the test itself: a check the user asked for shows while it
// runs, the dialog says what really happened in every case, and automatic checks ask at most once
// a day.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include "App/Updates/AppUpdater.h"
#include "App/Updates/UpdateDialog.h"
#include "App/Updates/UpdateProgressDialog.h"
#include "Platform/UserDefaults.h"
#include "settingswindow/SettingsTestSupport.h"
#include "support/QtWaiting.h"
#include "support/TempHome.h"

namespace {

using namespace std::chrono_literals;

// A one-file HTTP server on the loopback. Every request gets `body` with `status`; a silent server
// takes requests and never answers; a trickling one sends the headers of a feed, then a byte of it
// every `pace`, and never comes to its end.
class FeedServer : public QObject {
public:
    explicit FeedServer(QByteArray body, QByteArray status = "200 OK")
        : body_(std::move(body)), status_(std::move(status)) {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    request_ += socket->readAll();
                    if (!request_.contains("\r\n\r\n")) return;
                    ++requests;
                    request_.clear();
                    respond(*socket);
                });
                connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
                    ++disconnects;
                    socket->deleteLater();
                });
            }
        });
    }
    static std::unique_ptr<FeedServer> silent() { return std::unique_ptr<FeedServer>(new FeedServer(Mode::silent)); }
    static std::unique_ptr<FeedServer> trickling(std::chrono::milliseconds pace) {
        auto server = std::unique_ptr<FeedServer>(new FeedServer(Mode::trickling));
        server->pace_ = pace;
        return server;
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(server_.serverPort()) + "/feed.json"; }
    int requests = 0;
    int disconnects = 0;

private:
    enum class Mode { answering, silent, trickling };
    explicit FeedServer(Mode mode) : FeedServer(QByteArray()) { mode_ = mode; }

    void respond(QTcpSocket& socket) {
        const QByteArray headers = "HTTP/1.1 " + status_ + "\r\nContent-Type: application/json\r\nContent-Length: ";
        switch (mode_) {
        case Mode::answering:
            socket.write(headers + QByteArray::number(body_.size()) + "\r\nConnection: close\r\n\r\n" + body_);
            socket.disconnectFromHost();
            break;
        case Mode::silent: break;
        case Mode::trickling: {
            socket.write(headers + "4000\r\n\r\n");
            auto* timer = new QTimer(&socket);
            connect(timer, &QTimer::timeout, &socket, [to = &socket] { to->write(" "); });
            timer->start(pace_);
            break;
        }
        }
    }

    QTcpServer server_;
    QByteArray body_, status_, request_;
    Mode mode_ = Mode::answering;
    std::chrono::milliseconds pace_{0};
};

// The windows of checks under way that are shown.
std::vector<QDialog*> progressWindows() {
    std::vector<QDialog*> shown;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(widget);
            dialog && dialog->isVisible() && dialog->objectName() == QLatin1String(UpdateProgressDialog::objectName))
            shown.push_back(dialog);
    return shown;
}

class Updater : public ::testing::Test {
protected:
    void SetUp() override { app_test::installMainQueueOnQt(); }
    void TearDown() override {
        settings_test::closeMessageBoxes();
        for (QDialog* progress : progressWindows()) progress->close();
    }

    std::unique_ptr<AppUpdater> updater(const std::string& feed, std::chrono::system_clock::time_point now = {},
                                        std::chrono::milliseconds limit = AppUpdater::Configuration{}.timeout) {
        auto made = std::make_unique<AppUpdater>(AppUpdater::Configuration{
            feed, "1.4.0",
            [this](const UpdateCheckResult& result) {
                ++answers;
                UpdateDialog::present(result, [this](const std::string& url) { opened = url; });
            },
            [now] { return now == std::chrono::system_clock::time_point{} ? std::chrono::system_clock::now() : now; },
            limit});
        UpdateProgressDialog::follow(*made);
        return made;
    }
    // The dialog of a manual check, once it is there.
    QMessageBox* dialog(AppUpdater& checker) {
        checker.checkForUpdates();
        EXPECT_TRUE(app_test::runUntil([&] { return answers > 0; }));
        const auto boxes = settings_test::openMessageBoxes();
        return boxes.size() == 1 ? boxes[0] : nullptr;
    }

    testing_support::TempHome home;
    int answers = 0;
    std::string opened;
};

TEST_F(Updater, ANewerVersionOffersItsPage) {
    FeedServer feed(R"({"version": "1.10.0", "url": "https://example.org/vellumark/1.10.0"})");
    auto checker = updater(feed.url());
    QMessageBox* box = dialog(*checker);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(), QStringLiteral("A new version of Vellumark is available!"));
    EXPECT_EQ(box->informativeText(),
              QStringLiteral("Vellumark 1.10.0 is available — you have 1.4.0. Its page tells how to get it."));
    qobject_cast<QPushButton*>(box->defaultButton())->click();
    EXPECT_EQ(opened, "https://example.org/vellumark/1.10.0");
    EXPECT_EQ(feed.requests, 1);
}

TEST_F(Updater, EveryOtherOutcomeSaysWhatHappenedAndNeverUpToDateByMistake) {
    FeedServer same(R"({"version": "1.4", "url": "https://example.org"})");
    FeedServer broken(R"({"version": "1.5.0", "url": )");
    FeedServer missing("nothing here", "404 Not Found");
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost);
    const std::string refused = "http://127.0.0.1:" + std::to_string(closed.serverPort()) + "/feed.json";
    closed.close();

    const std::pair<std::string, QString> cases[] = {
        {same.url(), QStringLiteral("You’re up to date!|Vellumark 1.4.0 is the newest version available.")},
        {broken.url(), QStringLiteral("Vellumark couldn’t check for updates.|The update feed is not valid JSON.")},
        {missing.url(), QStringLiteral("Vellumark couldn’t check for updates.|The network said: ")},
        {refused, QStringLiteral("Vellumark couldn’t check for updates.|The network said: Connection refused")},
        {"", QStringLiteral("Vellumark couldn’t check for updates.|This build of Vellumark has no update feed.")},
    };
    for (const auto& [url, expected] : cases) {
        answers = 0;
        auto checker = updater(url);
        QMessageBox* box = dialog(*checker);
        ASSERT_TRUE(box) << url;
        EXPECT_TRUE((box->text() + QLatin1Char('|') + box->informativeText()).startsWith(expected))
            << url << ": " << box->informativeText().toStdString();
        settings_test::closeMessageBoxes();
    }
}

TEST_F(Updater, AutomaticChecksAskOnceADayAndSpeakOnlyOfANewerVersion) {
    FeedServer feed(R"({"version": "1.4.0", "url": "https://example.org"})");
    const auto monday = std::chrono::system_clock::now();
    auto checker = updater(feed.url(), monday);
    checker->start();
    EXPECT_FALSE(checker->isChecking()) << "off until the user turns it on";

    checker->setAutomaticallyChecksForUpdates(true);
    ASSERT_TRUE(checker->isChecking());
    ASSERT_TRUE(app_test::runUntil([&] { return !checker->isChecking(); }));
    EXPECT_EQ(feed.requests, 1);
    EXPECT_EQ(answers, 0) << "up to date goes unsaid";
    EXPECT_TRUE(Platform::UserDefaults::standard().integer(AppUpdater::lastCheckKey));

    // Within the day nothing is asked; a day later it is.
    auto sameDay = updater(feed.url(), monday + std::chrono::hours(23));
    sameDay->start();
    EXPECT_FALSE(sameDay->isChecking());
    FeedServer newer(R"({"version": "2.0", "url": "https://example.org/2"})");
    auto nextDay = updater(newer.url(), monday + std::chrono::hours(24));
    nextDay->start();
    ASSERT_TRUE(nextDay->isChecking());
    ASSERT_TRUE(app_test::runUntil([&] { return answers == 1; }));
    EXPECT_EQ(settings_test::openMessageBoxes().at(0)->text(),
              QStringLiteral("A new version of Vellumark is available!"));
}

// A server that accepts and never answers, or one that trickles its feed, ends the check at the
// time limit, said as such: not as the user's cancel, not after minutes. The window showing the check
// is there from the moment it starts until the answer.
TEST_F(Updater, AStalledOrTricklingFeedEndsAtTheLimitAsATimeOut) {
    const auto silent = FeedServer::silent();
    const auto trickling = FeedServer::trickling(50ms);
    for (const FeedServer* server : {silent.get(), trickling.get()}) {
        answers = 0;
        auto checker = updater(server->url(), {}, 400ms);
        checker->checkForUpdates();
        ASSERT_EQ(progressWindows().size(), 1u);
        QStringList texts;
        for (const QLabel* label : progressWindows()[0]->findChildren<QLabel*>()) texts << label->text();
        EXPECT_TRUE(texts.contains(QStringLiteral("Checking for updates…"))) << texts.join('|').toStdString();

        ASSERT_TRUE(app_test::runUntil([&] { return answers == 1; })) << (server == silent.get() ? "silent" : "slow");
        EXPECT_TRUE(progressWindows().empty()) << "gone before the answer";
        const auto boxes = settings_test::openMessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0]->text().toStdString(), "Vellumark couldn’t check for updates.");
        EXPECT_EQ(boxes[0]->informativeText().toStdString(),
                  "The update server took too long to answer: the check timed out.");
        settings_test::closeMessageBoxes();
    }
}

// Asked for again while it runs, the check's window comes forward (an automatic check under way
// becomes the user's and shows); its Cancel button, Escape and its close button each end the
// check: the server is hung up on and nothing answers.
TEST_F(Updater, ARunningCheckComesForwardWhenAskedAgainAndCancelEndsItWithoutAnAnswer) {
    const auto silent = FeedServer::silent();
    auto checker = updater(silent->url());
    checker->setAutomaticallyChecksForUpdates(true);
    ASSERT_TRUE(checker->isChecking());
    EXPECT_TRUE(progressWindows().empty()) << "an automatic check goes unseen";
    checker->checkForUpdates();
    ASSERT_EQ(progressWindows().size(), 1u);
    QDialog* progress = progressWindows()[0];

    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
    checker->checkForUpdates();
    EXPECT_TRUE(QTest::qWaitForWindowActive(progress));
    EXPECT_EQ(progressWindows(), std::vector<QDialog*>{progress});

    for (int way = 0; way < 3; ++way) {
        if (way > 0) checker->checkForUpdates();
        ASSERT_EQ(progressWindows().size(), 1u) << way;
        progress = progressWindows()[0];
        ASSERT_TRUE(app_test::runUntil([&] { return silent->requests == way + 1; })) << "one request a check";
        if (way == 0) progress->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
        if (way == 1) QTest::keyClick(progress, Qt::Key_Escape);
        if (way == 2) progress->close();
        ASSERT_TRUE(app_test::runUntil([&] { return silent->disconnects == way + 1; })) << way;
        EXPECT_FALSE(checker->isChecking()) << way;
        EXPECT_TRUE(progressWindows().empty()) << way;
    }
    EXPECT_EQ(answers, 0);
}

}  // namespace
