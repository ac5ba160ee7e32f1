// The desktop widget program: one widget of one family per process.

#include <cstdio>
#include <string>
#include <variant>
#include <vector>

#include <QApplication>

#include "Look/Appearance.h"
#include "Look/ApplicationIcon.h"
#include "Platform/CharacterLocale.h"
#include "Platform/FileSizeLimit.h"
#include "Platform/SystemLog.h"
#include "Platform/x11/DisplayCheck.h"
#include "Shared/Store/KilledRunLeftovers.h"
#include "Widget/WidgetOptions.h"
#include "Widget/WidgetWindow.h"

int main(int argc, char** argv) {
    Platform::ignoreFileSizeLimitSignal();
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const auto parsed = WidgetOptions::parse(arguments);
    if (std::holds_alternative<WidgetOptions::Help>(parsed)) {
        std::fputs(WidgetOptions::usage().c_str(), stdout);
        return 0;
    }
    if (const auto* refused = std::get_if<WidgetOptions::Refused>(&parsed)) {
        std::fprintf(stderr, "%s\n%s", refused->message.c_str(), WidgetOptions::usage().c_str());
        return 2;
    }
    const auto options = std::get<WidgetOptions::Options>(parsed);

    // Qt would abort with its own message; say in one line what is missing.
    if (const auto problem =
            DisplayCheck::problem(DisplayCheck::systemProbe(), DisplayCheck::platformArgument(arguments))) {
        Platform::systemLog(*problem);
        return 1;
    }
    KilledRunLeftovers::remove();

    QApplication application(argc, argv);
    Platform::useUTF8Characters();
    QApplication::setApplicationName(QStringLiteral("vellumark-widget"));
    QApplication::setWindowIcon(applicationIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("vellumark-widget"));
    Appearance::followDesktop(application);
    WidgetWindow window(options.family,
                        options.preview ? WidgetWindow::Content::placeholder : WidgetWindow::Content::live);
    window.show();
    return QApplication::exec();
}
