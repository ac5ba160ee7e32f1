#pragma once
// The updater, started at launch and living as long as the application. It reads one JSON feed
// {"version", "url"} (see Core/Updates/UpdateFeed.h) over HTTP(S) and tells the user when a newer
// version exists; it downloads and installs nothing (Debian systems update software through their
// package manager).
//
// - "Check for Updates…" (checkForUpdates) always answers through the presenter: a newer version,
//   up to date, or why it could not check (no feed in this build, the network's error, a feed that
//   is not what it should be, no whole answer within the time limit). A failure is never shown as
//   up to date.
// - While a check the user asked for runs, userCheckRunning says so: at once, and again each time
//   the user asks while it runs (the window showing it comes forward); userCheckEnded follows when
//   it ends, before the answer. The user may cancel it: it then ends without an answer.
// - With automatic checks on (stored under "automaticallyChecksForUpdates" in the standard
//   defaults, off until the user turns it on) and a feed set, it asks by itself at most once a day:
//   the time of the last check is stored under "lastUpdateCheckTime" (seconds since 1970). An
//   automatic check speaks up only to announce a newer version; a failure goes to the system log.
// - One request at a time; a manual check during an automatic one makes that one answer.
//
// Main thread only (Qt's network access runs on the application's event loop).

#include <QNetworkReply>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "Core/Updates/UpdateFeed.h"

class QNetworkAccessManager;
class QTimer;

class AppUpdater : public QObject {
    Q_OBJECT

public:
    static constexpr const char* automaticChecksKey = "automaticallyChecksForUpdates";
    static constexpr const char* lastCheckKey = "lastUpdateCheckTime";
    static constexpr std::chrono::hours checkInterval{24};
    // How often a running application looks whether a day has passed since the last check.
    static constexpr std::chrono::hours dueLook{1};
    // A feed is a few dozen bytes; anything much larger is not one.
    static constexpr qint64 maximumFeedSize = 64 * 1024;

    using Presenter = std::function<void(const UpdateCheckResult&)>;
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    struct Configuration {
        std::string feedURL;         // empty: this build has no feed
        std::string currentVersion;  // the running application's
        Presenter present;           // shows the answer to the user
        Clock now = [] { return std::chrono::system_clock::now(); };
        // The longest a check may take, from the request to the feed's last byte.
        std::chrono::milliseconds timeout{15000};
    };

    // Made on first use with the build's feed and version and the update dialog, and started;
    // never released. The application touches it at launch.
    static AppUpdater& shared();

    explicit AppUpdater(Configuration configuration, QObject* parent = nullptr);
    ~AppUpdater() override;

    // Checks now when an automatic check is due, and looks again every hour from then on.
    void start();
    // The user's "Check for Updates…".
    void checkForUpdates();
    // The user's Cancel: the check under way ends without an answer.
    void cancelCheck();
    bool isChecking() const { return reply_ != nullptr; }

    bool automaticallyChecksForUpdates() const;
    // Turning it on checks at once when a check is due.
    void setAutomaticallyChecksForUpdates(bool enabled);

signals:
    void userCheckRunning();
    void userCheckEnded();

private:
    bool isAutomaticCheckDue() const;
    void checkIfDue();
    void beginCheck(bool userInitiated);
    void finishCheck();
    void answer(const UpdateCheckResult& result, bool userInitiated);

    Configuration configuration_;
    std::unique_ptr<QNetworkAccessManager> network_;
    std::unique_ptr<QTimer> dueTimer_;
    std::unique_ptr<QTimer> deadline_;
    QPointer<QNetworkReply> reply_;
    bool userInitiated_ = false;
    // Why the reply was aborted, if it was.
    bool tooLarge_ = false;
    bool timedOut_ = false;
    bool cancelled_ = false;
};
