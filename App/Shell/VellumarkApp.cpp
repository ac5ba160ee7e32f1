#include "App/Shell/VellumarkApp.h"

#include <QApplication>
#include <QTimer>

#include "App/Shell/AppDelegate.h"
#include "Look/Appearance.h"
#include "Look/ApplicationIcon.h"
#include "Platform/CharacterLocale.h"
#include "Platform/SingleInstance.h"
#include "Platform/SystemLog.h"
#include "Platform/qt/MainQueueDriver.h"

VellumarkApp::VellumarkApp() = default;

VellumarkApp::~VellumarkApp() = default;

int VellumarkApp::run(int& argc, char** argv) {
    namespace SingleInstance = Platform::SingleInstance;
    SingleInstance::Launch launch = SingleInstance::claim();
    switch (launch.role) {
    case SingleInstance::Launch::Role::handedOver:
        Platform::systemLog("Vellumark: already running; the running instance opens its panel");
        return 0;
    case SingleInstance::Launch::Role::noAnswer:
        Platform::systemLog("Vellumark: another instance is running but does not answer (" + launch.reason +
                            "); not starting a second one");
        return 1;
    case SingleInstance::Launch::Role::unchecked:
        // A second instance beside the first is the lesser harm than none at all.
        Platform::systemLog("Vellumark: cannot tell whether another instance runs: " + launch.reason);
        break;
    case SingleInstance::Launch::Role::first: instance_ = std::move(launch.listener); break;
    }

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
    QTimer::singleShot(0, appDelegate.get(), [this] {
        appDelegate->applicationDidFinishLaunching();
        // Launches that came meanwhile waited for this: the panel they ask for needs the tray icon.
        if (instance_)
            instance_->serve([] {
                if (AppDelegate* delegate = AppDelegate::shared()) delegate->showPopover();
            });
    });
    const int status = QApplication::exec();
    // Its windows must go before the application object does; later launches are answered until
    // the delegate has gone.
    appDelegate.reset();
    instance_.reset();
    return status;
}
