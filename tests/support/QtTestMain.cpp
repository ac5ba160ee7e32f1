// The main of the Qt test programs: one QApplication for every test, rendering off screen unless
// the caller chose a platform (an end-to-end run may ask for xcb).

#include <gtest/gtest.h>
#include <QApplication>

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
