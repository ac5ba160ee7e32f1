// The widget's windows on an X desktop of the test's own: what the window manager is asked for,
// the size per family, both appearances photographed (support/ScreenshotFolder.h), and a drag that
// moves the window and is remembered.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPalette>
#include <QWindow>

#include <filesystem>

#include "Shared/Store/DataStore.h"
#include "Widget/WidgetPlacement.h"
#include "Widget/WidgetView.h"
#include "Widget/WidgetWindow.h"
#include "support/DesktopSession.h"
#include "support/OnScreen.h"
#include "support/QtWaiting.h"
#include "support/ScreenshotFolder.h"
#include "support/TempHome.h"
#include "widget/Pictures.h"
#include "widget/WidgetSamples.h"

namespace {

using namespace widget_test;
using testing_support::TempHome;
namespace fs = std::filesystem;
using app_test::run;

std::string windowId(const QWidget& window) { return std::to_string(window.winId()); }

// The window's place and size as the X server has them (none when it has no such window).
QRect geometry(const QWidget& window) {
    const auto info = app_test::DesktopSession::geometry(windowId(window));
    return info ? QRect(info->x, info->y, info->width, info->height) : QRect();
}

bool shown(WidgetWindow& window) {
    window.show();
    return app_test::runUntil([&] { return window.windowHandle() && window.windowHandle()->isExposed(); });
}

// Eleven projects, two of them on port 3000, one of containers, one with a long name.
std::vector<DevProject> busyDesktop() {
    std::vector<DevProject> listed{
        project("webshop",
                {server(1230, {5173}, "vite", 3.2, {1230, 1234, 1235}), server(2340, {3000}, "next-server", 1.0)}),
        project("api", {server(5678, {8000}, "python3", 0.1)}),
        project("blog", {server(7000, {3000}, "hugo", 0.4)}),
        project("inventory-service-with-a-long-name", {server(7100, {8080}, "java", 12.5)}),
        project("db", {container(1, {5432})}),
    };
    for (int i = 0; i < 6; ++i)
        listed.push_back(project("tool-" + std::to_string(i), {server(8000 + i, {9100 + i}, "node")}));
    return listed;
}

TEST(WidgetDesktop, EachFamilyIsAFramelessDesktopWindowBelowTheOthersInBothAppearances) {
    TempHome home;
    DataStore::write({std::chrono::system_clock::now(), busyDesktop()});
    const fs::path folder = testing_support::screenshotFolder();
    const QPalette original = QApplication::palette();
    for (const bool dark : {false, true}) {
        QApplication::setPalette(dark ? QPalette(QColor(0x20, 0x20, 0x20)) : QPalette(QColor(0xF6, 0xF6, 0xF6)));
        for (WidgetFamily family : WidgetFamilies::supported) {
            const std::string name = std::string(WidgetFamilies::name(family));
            WidgetWindow window(family, WidgetWindow::Content::live);
            ASSERT_TRUE(shown(window)) << name;
            const QSize size = WidgetView::sizeFor(family);
            EXPECT_EQ(geometry(window).size(), size) << name;

            const std::string states = run({"xprop", "-id", windowId(window), "_NET_WM_STATE", "_NET_WM_DESKTOP"});
            for (const char* state : {"_NET_WM_STATE_BELOW", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER",
                                      "_NET_WM_STATE_STICKY", "_NET_WM_DESKTOP(CARDINAL) = 4294967295"})
                EXPECT_NE(states.find(state), std::string::npos) << name << ": " << state << " in " << states;
            EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);

            const fs::path photo = folder / ("widget-" + name + (dark ? "-dark.png" : "-light.png"));
            fs::remove(photo);
            run({"import", "-window", windowId(window), photo.string()});
            const QImage image(QString::fromStdString(photo.string()));
            ASSERT_FALSE(image.isNull()) << photo;
            EXPECT_EQ(image.size(), size);
            EXPECT_EQ(QColor(image.pixel(2, image.height() - 3)), QColor(dark ? 0x1C1E1D : 0xFFFFFF)) << photo;
            EXPECT_TRUE(holdsColor(image, QColor(dark ? 0x9D9DFF : 0x2F2FE4))) << photo;  // the ports

            // Once the last project has gone: the note in the middle of the space below the header.
            window.view()->setEntry({std::chrono::system_clock::now(), {}});
            ASSERT_TRUE(app_test::runUntil([&] { return app_test::showsAsPainted(window, folder); })) << name;
            const fs::path empty = folder / ("widget-" + name + (dark ? "-empty-dark.png" : "-empty-light.png"));
            fs::remove(empty);
            run({"import", "-window", windowId(window), empty.string()});
            EXPECT_TRUE(fs::exists(empty)) << empty;
        }
    }
    QApplication::setPalette(original);
}

TEST(WidgetDesktop, DraggingMovesTheWindowAndItOpensThereNextTime) {
    TempHome home;
    QRect before, after;
    {
        WidgetWindow window(WidgetFamily::medium, WidgetWindow::Content::placeholder);
        ASSERT_TRUE(shown(window));
        before = geometry(window);
        // Pressed on the card below the rows, where there is no button.
        const QPoint grip = before.topLeft() + QPoint(20, before.height() - 8);
        run({"xdotool", "mousemove", std::to_string(grip.x()), std::to_string(grip.y()), "mousedown", "1"});
        // The window follows each step of the pointer before the next.
        for (int step = 1; step <= 4; ++step) {
            run({"xdotool", "mousemove", std::to_string(grip.x() - 30 * step), std::to_string(grip.y() + 20 * step)});
            ASSERT_TRUE(app_test::runUntil([&] {
                return geometry(window).topLeft() == before.topLeft() + QPoint(-30, 20) * step;
            })) << "step "
                << step;
        }
        run({"xdotool", "mouseup", "1"});
        ASSERT_TRUE(app_test::runUntil([&] {
            return geometry(window).topLeft() == before.topLeft() + QPoint(-120, 80);
        })) << geometry(window).x()
            << "," << geometry(window).y();
        after = geometry(window);
        ASSERT_TRUE(app_test::runUntil([&] {
            return WidgetPlacement::remembered(WidgetFamily::medium) == WidgetPlacement::Origin{after.x(), after.y()};
        }));
        EXPECT_FALSE(WidgetPlacement::remembered(WidgetFamily::small));
    }
    WidgetWindow again(WidgetFamily::medium, WidgetWindow::Content::placeholder);
    ASSERT_TRUE(shown(again));
    EXPECT_EQ(geometry(again).topLeft(), after.topLeft());
}

// The tool tip on show, if any.
QLabel* shownToolTip() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->inherits("QTipLabel") && widget->isVisible()) return qobject_cast<QLabel*>(widget);
    return nullptr;
}

// A widget stays below the other windows and rarely has the keyboard: its buttons' help comes up
// under the resting pointer all the same.
TEST(WidgetDesktop, ButtonsShowTheirHelpOnHoverWhileAnotherWindowHasTheKeyboard) {
    TempHome home;
    WidgetWindow window(WidgetFamily::medium, WidgetWindow::Content::placeholder);
    ASSERT_TRUE(shown(window));
    QWidget elsewhere;
    elsewhere.setGeometry(40, 500, 160, 100);
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(app_test::runUntil([&] { return QApplication::activeWindow() == &elsewhere; }));
    ASSERT_TRUE(app_test::runUntil([&] { return app_test::showsAsPainted(window, home.home()); }));

    const ProjectRow& row = *window.view()->rows().front();
    const std::pair<const char*, const QWidget*> buttons[] = {{"folder", row.folderButton()},
                                                              {"stop", row.stopButton()}};
    for (const auto& [name, button] : buttons) {
        const QPoint centre = button->mapToGlobal(button->rect().center());
        // Onto the button from beside it: a move that ends where the pointer already was is none.
        run({"xdotool", "mousemove", std::to_string(centre.x() - 3), std::to_string(centre.y() - 3), "mousemove",
             std::to_string(centre.x()), std::to_string(centre.y())});
        QLabel* tip = nullptr;
        ASSERT_TRUE(app_test::runUntil([&] { return (tip = shownToolTip()) && tip->text() == button->toolTip(); }))
            << button->toolTip().toStdString();
        EXPECT_FALSE(window.isActiveWindow());
        const QRect shot = window.frameGeometry().united(tip->frameGeometry()).adjusted(-8, -8, 8, 8);
        EXPECT_FALSE(
            app_test::screenshot(std::string("widget-help-") + name, shot.x(), shot.y(), shot.width(), shot.height())
                .empty());
    }
}

}  // namespace
