#include "App/Shell/DisplayCheck.h"
#include "App/Shell/VellumarkApp.h"
#include "Platform/SystemLog.h"

int main(int argc, char** argv) {
    // Qt would abort with its own message; say in one line what is missing and how to run headless.
    if (const auto problem = DisplayCheck::problem()) {
        Platform::systemLog(*problem);
        return 1;
    }
    VellumarkApp app;
    return app.run(argc, argv);
}
