// The main of the X11 shortcut tests: each test process gets an X server of its own (keys pressed
// with xdotool must not reach another test's grabs), and the application runs on it through xcb.

#include <gtest/gtest.h>

#include <QApplication>

#include <memory>

#include "app/support/DesktopSession.h"
#include "support/TempHome.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    testing_support::TempDir logs;
    auto desktop = std::make_unique<app_test::DesktopSession>(logs.path());
    qputenv("QT_QPA_PLATFORM", "xcb");
    int status = 0;
    {
        QApplication application(argc, argv);
        status = RUN_ALL_TESTS();
    }
    desktop.reset();
    return status;
}
