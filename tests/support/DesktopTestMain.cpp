// The main of test programs whose windows live on an X desktop: each program gets an X server of its
// own (keys pressed with xdotool must reach no other test's windows or grabs), with no tray, as no
// window of theirs docks an icon, and the application runs on it through xcb. Listing the tests, as
// the build does to register them, starts no desktop.

#include <gtest/gtest.h>

#include <QApplication>

#include "support/DesktopSession.h"
#include "support/QtWaiting.h"
#include "support/TempHome.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    testing_support::TempDir logs;
    // Before the application, which connects to it, and gone after it.
    app_test::DesktopSession desktop(logs.path(), app_test::DesktopSession::Tray::none);
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    app_test::installMainQueueOnQt();
    return RUN_ALL_TESTS();
}
