#include "App/Shell/VellumarkApp.h"

#include <QApplication>
#include <QTimer>

#include "App/Shell/AppDelegate.h"
#include "Look/Appearance.h"
#include "Look/ApplicationIcon.h"
#include "Platform/CharacterLocale.h"
#include "Platform/qt/MainQueueDriver.h"

VellumarkApp::VellumarkApp() = default;

VellumarkApp::~VellumarkApp() = default;

int VellumarkApp::run(int& argc, char** argv) {
    QApplication application(argc, argv);
    Platform::useUTF8Characters();
    QApplication::setApplicationName(QStringLiteral("Vellumark"));
    // Every window carries the icon; a desktop that goes by the desktop entry (io.kestrow.v3lk.desktop)
    // finds it there too.
    QApplication::setWindowIcon(applicationIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("io.kestrow.v3lk"));
    Appearance::followDesktop(application);
    // Closing the last window (the settings, the welcome) never ends a tray application.
    QApplication::setQuitOnLastWindowClosed(false);
    Platform::installMainQueueDriver(application);

    appDelegate = std::make_unique<AppDelegate>();
    QTimer::singleShot(0, appDelegate.get(), [this] { appDelegate->applicationDidFinishLaunching(); });
    const int status = QApplication::exec();
    // Its windows must go before the application object does.
    appDelegate.reset();
    return status;
}
