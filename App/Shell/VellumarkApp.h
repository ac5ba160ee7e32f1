#pragma once
// The application: Qt's application object, the main queue on Qt's event loop, and the delegate
// that does the rest once the loop runs. No window opens at launch; the application lives in the
// tray until the user quits it from the panel.
//
// One instance per user (see Platform/SingleInstance.h): a launch while another instance runs asks
// that one to open its panel, says so in one line ("Vellumark: already running; the running
// instance opens its panel") and ends with status 0, before it ever connects to the display; when
// the running instance does not answer, it says so and ends with status 1.

#include <memory>

class AppDelegate;

namespace Platform::SingleInstance {
class Listener;
}

class VellumarkApp {
public:
    VellumarkApp();
    ~VellumarkApp();

    // Runs the application until it quits and returns its exit code.
    int run(int& argc, char** argv);

    std::unique_ptr<AppDelegate> appDelegate;

private:
    // Held while the application runs, when it is the user's first instance.
    std::unique_ptr<Platform::SingleInstance::Listener> instance_;
};
