#include "Platform/WidgetCenter.h"

#include <gtest/gtest.h>

#include <string>

#include "Platform/NotifyCenter.h"
#include "support/TempHome.h"
#include "widgetchannel/NotificationCounter.h"
#include "widgetchannel/PeerProcess.h"

namespace {

using testing_support::TempHome;

TEST(WidgetReloadNotification, AReloadRequestWakesTheWidgetProgram) {
    TempHome home;
    widgetchannel_tests::PeerProcess widget({"observe", std::string(Platform::WidgetCenter::reloadNotificationName)});
    ASSERT_EQ(widget.readLine(), "ready");
    int handlersRan = 0;
    const auto token = Platform::WidgetCenter::addReloadHandler([&] { ++handlersRan; });
    Platform::WidgetCenter::reloadAllTimelines();
    Platform::WidgetCenter::removeReloadHandler(token);
    EXPECT_EQ(handlersRan, 1);
    EXPECT_EQ(widget.readLine(), "notified");
    EXPECT_EQ(widget.wait(), 0);
}

}  // namespace
