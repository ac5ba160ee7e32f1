#include <string>
#include <vector>

#include "App/Shell/DisplayCheck.h"
#include "App/Shell/VellumarkApp.h"
#include "Platform/SystemLog.h"

int main(int argc, char** argv) {
    // Qt would abort with its own message; say in one line what is missing and how to run headless.
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const auto platform = DisplayCheck::platformArgument(arguments);
    if (const auto problem = DisplayCheck::problem(DisplayCheck::systemProbe(), platform)) {
        Platform::systemLog(*problem);
        return 1;
    }
    VellumarkApp app;
    return app.run(argc, argv);
}
