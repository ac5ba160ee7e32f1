#pragma once
// The application: Qt's application object, the main queue on Qt's event loop, and the delegate
// that does the rest once the loop runs. No window opens at launch; the application lives in the
// tray until the user quits it from the panel.

#include <memory>

class AppDelegate;

class VellumarkApp {
public:
    VellumarkApp();
    ~VellumarkApp();

    // Runs the application until it quits and returns its exit code.
    int run(int& argc, char** argv);

    std::unique_ptr<AppDelegate> appDelegate;
};
