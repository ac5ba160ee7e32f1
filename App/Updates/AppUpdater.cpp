#include "App/Updates/AppUpdater.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include "App/Common/BuildInfo.h"
#include "App/Updates/UpdateDialog.h"
#include "App/Updates/UpdateProgressDialog.h"
#include "Platform/SystemLog.h"
#include "Platform/UserDefaults.h"

namespace {

std::int64_t secondsSinceEpoch(std::chrono::system_clock::time_point time) {
    return std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch()).count();
}

}  // namespace

AppUpdater& AppUpdater::shared() {
    static AppUpdater* instance = [] {
        auto* updater = new AppUpdater({BuildInfo::updateFeed(), BuildInfo::version(),
                                        [](const UpdateCheckResult& result) { UpdateDialog::present(result); }});
        UpdateProgressDialog::follow(*updater);
        updater->start();
        return updater;
    }();
    return *instance;
}

AppUpdater::AppUpdater(Configuration configuration, QObject* parent)
    : QObject(parent),
      configuration_(std::move(configuration)),
      network_(std::make_unique<QNetworkAccessManager>()),
      dueTimer_(std::make_unique<QTimer>()),
      deadline_(std::make_unique<QTimer>()) {
    network_->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    dueTimer_->setInterval(std::chrono::duration_cast<std::chrono::milliseconds>(dueLook));
    connect(dueTimer_.get(), &QTimer::timeout, this, &AppUpdater::checkIfDue);
    // One limit for the whole check: Qt's transfer timeout starts again with every byte, so a feed
    // that trickles would never end, and what it reports reads as the user's cancel.
    deadline_->setSingleShot(true);
    deadline_->setInterval(configuration_.timeout);
    connect(deadline_.get(), &QTimer::timeout, this, [this] {
        if (!reply_) return;
        timedOut_ = true;
        reply_->abort();
    });
}

AppUpdater::~AppUpdater() {
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        delete reply_.data();
    }
}

void AppUpdater::start() {
    checkIfDue();
    dueTimer_->start();
}

bool AppUpdater::automaticallyChecksForUpdates() const {
    return Platform::UserDefaults::standard().boolean(automaticChecksKey).value_or(false);
}

void AppUpdater::setAutomaticallyChecksForUpdates(bool enabled) {
    Platform::UserDefaults::standard().set(automaticChecksKey, enabled);
    if (enabled) checkIfDue();
}

bool AppUpdater::isAutomaticCheckDue() const {
    if (!automaticallyChecksForUpdates() || configuration_.feedURL.empty()) return false;
    const auto last = Platform::UserDefaults::standard().integer(lastCheckKey);
    if (!last) return true;
    const std::int64_t now = secondsSinceEpoch(configuration_.now());
    // A last check in the future means the clock was set back: waiting for it could take years.
    return now < *last || now - *last >= std::chrono::duration_cast<std::chrono::seconds>(checkInterval).count();
}

void AppUpdater::checkIfDue() {
    if (!isChecking() && isAutomaticCheckDue()) beginCheck(false);
}

void AppUpdater::checkForUpdates() {
    if (isChecking()) {
        userInitiated_ = true;  // the check under way answers when it ends
        emit userCheckRunning();
        return;
    }
    beginCheck(true);
}

void AppUpdater::cancelCheck() {
    if (!reply_) return;
    cancelled_ = true;
    reply_->abort();
}

void AppUpdater::beginCheck(bool userInitiated) {
    if (configuration_.feedURL.empty()) {
        answer(UpdateCheckResult::failure("This build of Vellumark has no update feed."), userInitiated);
        return;
    }
    const QUrl url(QString::fromStdString(configuration_.feedURL), QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http"))) {
        answer(UpdateCheckResult::failure("This build’s update feed “" + configuration_.feedURL +
                                          "” is not a web address."),
               userInitiated);
        return;
    }
    Platform::UserDefaults::standard().set(lastCheckKey, secondsSinceEpoch(configuration_.now()));

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QString::fromStdString("Vellumark/" + configuration_.currentVersion));
    userInitiated_ = userInitiated;
    tooLarge_ = timedOut_ = cancelled_ = false;
    reply_ = network_->get(request);
    deadline_->start();
    connect(reply_.data(), &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64) {
        if (received > maximumFeedSize && reply_) {
            tooLarge_ = true;
            reply_->abort();
        }
    });
    connect(reply_.data(), &QNetworkReply::finished, this, &AppUpdater::finishCheck);
    if (userInitiated) emit userCheckRunning();
}

void AppUpdater::finishCheck() {
    QNetworkReply* reply = reply_.data();
    if (!reply) return;
    reply_ = nullptr;
    reply->deleteLater();
    deadline_->stop();
    if (userInitiated_) emit userCheckEnded();
    if (cancelled_) return;

    UpdateCheckResult result;
    if (tooLarge_) {
        result = UpdateCheckResult::failure("The update feed is larger than a feed can be.");
    } else if (timedOut_) {
        result = UpdateCheckResult::failure("The update server took too long to answer: the check timed out.");
    } else if (reply->error() != QNetworkReply::NoError) {
        result = UpdateCheckResult::failure("The network said: " + reply->errorString().toStdString());
    } else {
        const QByteArray bytes = reply->readAll();
        result = judgeUpdateFeed(std::string_view(bytes.constData(), std::size_t(bytes.size())),
                                 configuration_.currentVersion);
    }
    answer(result, userInitiated_);
}

void AppUpdater::answer(const UpdateCheckResult& result, bool userInitiated) {
    if (result.kind == UpdateCheckResult::Kind::failed && !userInitiated)
        Platform::systemLog("Vellumark: update check failed: " + result.problem);
    const bool speaks = userInitiated || result.kind == UpdateCheckResult::Kind::newerVersion;
    if (speaks && configuration_.present) configuration_.present(result);
}
