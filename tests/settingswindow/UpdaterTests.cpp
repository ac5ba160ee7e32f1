// The updater against a feed served by the test itself: the dialog says what really happened in
// every case, and automatic checks ask at most once a day.

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>

#include "App/Shell/AppUpdater.h"
#include "App/Shell/UpdateDialog.h"
#include "Platform/UserDefaults.h"
#include "app/support/QtWaiting.h"
#include "settingswindow/SettingsTestSupport.h"
#include "support/TempHome.h"

namespace {

// A one-file HTTP server on the loopback: every request gets `body` with `status`.
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
                    socket->write("HTTP/1.1 " + status_ + "\r\nContent-Type: application/json\r\nContent-Length: " +
                                  QByteArray::number(body_.size()) + "\r\nConnection: close\r\n\r\n" + body_);
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(server_.serverPort()) + "/feed.json"; }
    int requests = 0;

private:
    QTcpServer server_;
    QByteArray body_, status_, request_;
};

class Updater : public ::testing::Test {
protected:
    void SetUp() override { app_test::installMainQueueOnQt(); }
    void TearDown() override { settings_test::closeMessageBoxes(); }

    std::unique_ptr<AppUpdater> updater(const std::string& feed, std::chrono::system_clock::time_point now = {}) {
        return std::make_unique<AppUpdater>(AppUpdater::Configuration{
            feed, "1.4.0",
            [this](const UpdateCheckResult& result) {
                ++answers;
                UpdateDialog::present(result, [this](const std::string& url) { opened = url; });
            },
            [now] { return now == std::chrono::system_clock::time_point{} ? std::chrono::system_clock::now() : now; }});
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

}  // namespace
