// The main of test programs that use the Qt workspace (open, reveal) without widgets: an offscreen
// GUI application whose session bus points nowhere before anything touches D-Bus, so no test reaches
// the developer's desktop or starts a real file manager.

#include <gtest/gtest.h>
#include <QGuiApplication>

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vellumark-test-bus");
    QGuiApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
