// The main of the executor tests: a private session bus first (before anything touches D-Bus), then
// the application object, off screen unless QT_QPA_PLATFORM says otherwise.

#include <QGuiApplication>
#include <gtest/gtest.h>

#include "widgetchannel/PrivateSessionBus.h"

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const widgetchannel_tests::PrivateSessionBus bus;
    QGuiApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
