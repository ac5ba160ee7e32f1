// Ghost rows: what they say in each phase of a restart, and that their buttons reach the shared
// restart tracker and restarter.

#include <gtest/gtest.h>
#include <QTest>

#include <algorithm>
#include <chrono>

#include "App/Panel/Rows/GhostCancelButton.h"
#include "App/Panel/Rows/GhostRow.h"
#include "App/Panel/Rows/GhostTextButton.h"
#include "Controls/TextView.h"
#include "Core/Restart/RestartTracker.h"
#include "Core/Restart/ServerRestarter.h"
#include "PanelTestSupport.h"
#include "support/QtWaiting.h"
#include "support/TempHome.h"

namespace {

using namespace panel_test;
using namespace std::chrono_literals;

QString text(const GhostRow& row, const char* name) {
    return row.findChild<TextView*>(QString::fromLatin1(name))->text();
}

bool shown(const GhostRow& row, const char* name) {
    return row.findChild<QWidget*>(QString::fromLatin1(name))->isVisibleTo(&row);
}

std::optional<RestartEntry> published(const RestartEntry::ID& id) {
    for (const RestartEntry& candidate : RestartTracker::shared().entries())
        if (candidate.id == id) return candidate;
    return std::nullopt;
}

TEST(GhostRow, SaysWhatTheRestartIsDoing) {
    GhostRow row(restartEntry(RestartEntry::Phase::stopping()));
    row.show();
    EXPECT_EQ(text(row, "port"), ":5173");
    EXPECT_EQ(text(row, "command"), "vite");
    EXPECT_EQ(text(row, "phase"), "stopping…");
    EXPECT_DOUBLE_EQ(row.contentOpacity(), 0.7);
    EXPECT_TRUE(shown(row, "progress"));
    EXPECT_FALSE(shown(row, "failed"));
    auto* cancel = row.findChild<GhostCancelButton*>();
    EXPECT_EQ(cancel->toolTip(), "Cancel restart and leave the server stopped");
    EXPECT_EQ(cancel->accessibleName(), "Cancel restart");

    const QList<QWidget*> parts = row.findChildren<QWidget*>();
    RestartEntry relaunching = restartEntry(RestartEntry::Phase::relaunching(), {});
    row.setEntry(relaunching);
    EXPECT_EQ(text(row, "port"), ":?");
    EXPECT_EQ(text(row, "phase"), "restarting…");
    EXPECT_EQ(cancel->entryID(), relaunching.id);
    EXPECT_DOUBLE_EQ(row.contentOpacity(), 0.7);

    row.setEntry(restartEntry(RestartEntry::Phase::failed("didn't come back"), {8080, 8081}));
    EXPECT_EQ(text(row, "port"), ":8080");
    EXPECT_EQ(text(row, "phase"), "didn't come back");
    EXPECT_EQ(row.findChild<TextView*>("phase")->textColor(), Tint::systemRed().resolve(row.palette()));
    EXPECT_DOUBLE_EQ(row.contentOpacity(), 1.0);
    EXPECT_EQ(row.graphicsEffect(), nullptr);
    EXPECT_FALSE(shown(row, "progress"));
    EXPECT_TRUE(shown(row, "failed"));
    EXPECT_EQ(row.findChild<GhostTextButton*>("retry")->text(), "retry");
    EXPECT_EQ(row.findChild<GhostTextButton*>("dismiss")->toolTip(), "");
    EXPECT_EQ(row.findChildren<QWidget*>(), parts) << "refilled in place";
}

TEST(GhostRow, ItsButtonsReachTheRestartTrackerAndRestarter) {
    app_test::installMainQueueOnQt();
    testing_support::TempHome home;
    RestartTracker& tracker = RestartTracker::shared();

    // Cancel marks a restart in progress cancelled.
    const RestartEntry stopping = restartEntry(RestartEntry::Phase::stopping(), {5173}, 91001);
    ASSERT_TRUE(tracker.begin(stopping));
    GhostRow stoppingRow(stopping);
    stoppingRow.show();
    QTest::mouseClick(stoppingRow.findChild<GhostCancelButton*>(), Qt::LeftButton);
    ASSERT_TRUE(app_test::runUntil([&] { return published(stopping.id) && published(stopping.id)->cancelled; }));

    // Dismiss removes the failed entry and only that one.
    RestartEntry failed = restartEntry(RestartEntry::Phase::failed("relaunch failed"), {5174}, 91002);
    failed.plan = *ServerRestarter::plan("true", {"true"}, home.home().string(), "/bin/sh");
    ASSERT_TRUE(tracker.begin(failed));
    GhostRow failedRow(failed);
    failedRow.show();
    QTest::mouseClick(failedRow.findChild<GhostTextButton*>("dismiss"), Qt::LeftButton);
    ASSERT_TRUE(app_test::runUntil([&] { return !published(failed.id); }));
    EXPECT_TRUE(published(stopping.id)) << "other entries keep their rows";

    // Retry relaunches a failed entry's plan.
    failed.id = RestartEntry::makeID();
    ASSERT_TRUE(tracker.begin(failed));
    failedRow.setEntry(failed);
    QTest::mouseClick(failedRow.findChild<GhostTextButton*>("retry"), Qt::LeftButton);
    ASSERT_TRUE(app_test::runUntil([&] {
        const std::optional<RestartEntry> now = published(failed.id);
        return now && now->phase == RestartEntry::Phase::relaunching() && now->spawnedPID;
    }));

    tracker.remove(stopping.id);
    tracker.remove(failed.id);
}

}  // namespace
