#include <string>
#include <vector>

#include "App/Shell/VellumarkApp.h"
#include "Core/LoginItem/LoginItem.h"
#include "Platform/FileSizeLimit.h"
#include "Platform/SystemLog.h"
#include "Platform/x11/DisplayCheck.h"
#include "Shared/Store/KilledRunLeftovers.h"

int main(int argc, char** argv) {
    Platform::ignoreFileSizeLimitSignal();
    // Qt would abort with its own message; say in one line what is missing and how to run headless.
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const auto platform = DisplayCheck::platformArgument(arguments);
    if (const auto problem = DisplayCheck::problem(DisplayCheck::systemProbe(), platform)) {
        Platform::systemLog(*problem);
        return 1;
    }
    KilledRunLeftovers::remove();
    LoginItem::removeLeftovers();
    VellumarkApp app;
    return app.run(argc, argv);
}
