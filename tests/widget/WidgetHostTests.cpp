// The host around the view: the command line, the remembered places and where a widget stands when
// its place is taken, and the timeline with its reloads (the installed program and its desktop
// entry: app/InstallTests.cpp).

#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>

#include <fstream>

#include "Platform/WidgetCenter.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Store/DataStore.h"
#include "Widget/Provider.h"
#include "Widget/WidgetOptions.h"
#include "Widget/WidgetPlacement.h"
#include "Widget/WidgetTimeline.h"
#include "Widget/WidgetView.h"
#include "Widget/WidgetWindow.h"
#include "support/QtWaiting.h"
#include "support/TempHome.h"
#include "widget/WidgetSamples.h"

namespace {

using namespace widget_test;
using testing_support::TempHome;
using WidgetOptions::Options;

TEST(WidgetHost, CommandLineChoosesOneFamilyAndThePreview) {
    using Result = std::variant<Options, WidgetOptions::Help, WidgetOptions::Refused>;
    const auto options = [](std::vector<std::string> arguments) { return WidgetOptions::parse(arguments); };
    EXPECT_EQ(std::get<Options>(options({})), (Options{WidgetFamily::medium, false}));
    EXPECT_EQ(std::get<Options>(options({"--family", "small", "--preview"})), (Options{WidgetFamily::small, true}));
    EXPECT_EQ(std::get<Options>(options({"-platform", "xcb", "--family=large"})),
              (Options{WidgetFamily::large, false}));
    EXPECT_TRUE(std::holds_alternative<WidgetOptions::Help>(options({"--family", "small", "--help"})));
    for (const std::vector<std::string>& refused :
         {std::vector<std::string>{"--family"}, {"--family", "huge"}, {"--family=Small"}, {"--family="}}) {
        const Result result = options(refused);
        ASSERT_TRUE(std::holds_alternative<WidgetOptions::Refused>(result)) << refused.back();
        EXPECT_TRUE(std::get<WidgetOptions::Refused>(result).message.starts_with("vellumark-widget: "));
    }
}

TEST(WidgetHost, EachFamilyRemembersItsOwnPlaceAndAnUnusablePlaceIsForgotten) {
    TempHome home;
    EXPECT_FALSE(WidgetPlacement::remembered(WidgetFamily::small));
    WidgetPlacement::remember(WidgetFamily::small, {-20, 45});
    WidgetPlacement::remember(WidgetFamily::large, {300, 10});
    EXPECT_EQ(WidgetPlacement::remembered(WidgetFamily::small), (WidgetPlacement::Origin{-20, 45}));
    EXPECT_EQ(WidgetPlacement::remembered(WidgetFamily::large), (WidgetPlacement::Origin{300, 10}));
    EXPECT_FALSE(WidgetPlacement::remembered(WidgetFamily::medium));
    for (const char* unusable : {"", "12", "12,", ",3", "1,2,3", "1, 2", "x,y", "99999999999,1"})
        EXPECT_FALSE(WidgetPlacement::parseOrigin(unusable)) << unusable;

    // A window of that family opens where it was left, unless that is off every screen.
    WidgetPlacement::remember(WidgetFamily::medium, {100, 200});
    EXPECT_EQ(WidgetWindow(WidgetFamily::medium, WidgetWindow::Content::placeholder).pos(), QPoint(100, 200));
    WidgetPlacement::remember(WidgetFamily::medium, {-5000, 200});
    const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(WidgetWindow(WidgetFamily::medium, WidgetWindow::Content::placeholder).pos(),
              WidgetWindow::defaultOrigin(WidgetFamily::medium, free));
    // By default the three families stand apart on the screen, even a short one.
    const QRect screen(0, 0, 1280, 800);
    std::vector<QRect> placed;
    for (WidgetFamily family : WidgetFamilies::supported) {
        placed.emplace_back(WidgetWindow::defaultOrigin(family, screen), WidgetView::sizeFor(family));
        EXPECT_TRUE(screen.contains(placed.back())) << WidgetFamilies::name(family);
    }
    EXPECT_FALSE(placed[0].intersects(placed[1]) || placed[1].intersects(placed[2]) || placed[0].intersects(placed[2]));
}

// Widgets opened one after the other at one place (a family's, several times over) each find a
// spot of their own while the screen has room, nearest the place first; then none opens with its
// corner on another's.
TEST(WidgetHost, AWidgetWhosePlaceIsTakenStandsWhereItIsSeen) {
    const QRect screen(0, 0, 1280, 800);
    const QSize size = WidgetView::sizeFor(WidgetFamily::medium);
    const QPoint place = WidgetWindow::defaultOrigin(WidgetFamily::medium, screen);
    EXPECT_EQ(WidgetWindow::freeOrigin(place, size, {}, screen), place);
    EXPECT_EQ(WidgetWindow::freeOrigin(place, size, {QRect(0, 600, 200, 200)}, screen), place);
    EXPECT_EQ(WidgetWindow::freeOrigin(place, size, {QRect(place, size)}, screen),
              place + QPoint(0, size.height() + 24));

    // From the top left corner, a margin in, the screen holds this many of them a margin apart.
    const QPoint corner(24, 24);
    std::vector<QRect> open;
    const int room = (1280 / (size.width() + 24)) * (800 / (size.height() + 24));
    ASSERT_GE(room, 4);
    for (int i = 0; i < room; ++i) {
        const QRect placed(WidgetWindow::freeOrigin(corner, size, open, screen), size);
        EXPECT_TRUE(screen.contains(placed)) << i;
        EXPECT_TRUE(std::ranges::none_of(open, [&](const QRect& other) { return other.intersects(placed); })) << i;
        open.push_back(placed);
    }
    for (int i = 0; i < 3; ++i) {
        const QPoint cascaded = WidgetWindow::freeOrigin(corner, size, open, screen);
        EXPECT_TRUE(std::ranges::none_of(open, [&](const QRect& other) { return other.topLeft() == cascaded; })) << i;
        open.emplace_back(cascaded, size);
    }
    // A place at the bottom of the screen: the spot above it, before the one beside it.
    const QPoint low(place.x(), 800 - size.height());
    EXPECT_EQ(WidgetWindow::freeOrigin(low, size, {QRect(low, size)}, screen), low - QPoint(0, size.height() + 24));
}

std::vector<std::string> names(const DevProcessEntry& entry) {
    std::vector<std::string> result;
    for (const DevProject& project : entry.projects) result.push_back(project.name);
    return result;
}

TEST(WidgetHost, TheTimelineFollowsTheApplicationsSnapshotsOneReloadPerBurst) {
    TempHome home;
    // No snapshot yet: the live widget shows nothing running, the placeholder its sample.
    DevProcessEntry live, placeholder;
    WidgetTimeline timeline(WidgetTimeline::Kind::live, [&](const DevProcessEntry& entry) { live = entry; });
    WidgetTimeline sample(WidgetTimeline::Kind::placeholder,
                          [&](const DevProcessEntry& entry) { placeholder = entry; });
    EXPECT_TRUE(live.projects.empty());
    EXPECT_EQ(names(placeholder), (std::vector<std::string>{"webshop", "api"}));
    EXPECT_EQ(Provider::snapshot(std::chrono::system_clock::now()).projects, Provider::sample());

    // Every snapshot written asks for a reload; the new projects arrive in file order.
    DataStore::write(
        {std::chrono::system_clock::now(), {project("b", {server(2, {3001})}), project("a", {server(1, {3000})})}});
    ASSERT_TRUE(app_test::runUntil([&] { return live.projects.size() == 2; }));
    EXPECT_EQ(names(live), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(Provider::snapshot(std::chrono::system_clock::now()).projects, live.projects);

    // Five requests at once give one reload; the single request after it gives one more.
    const int before = timeline.reloads();
    for (int i = 0; i < 5; ++i) Platform::WidgetCenter::reloadAllTimelines();
    ASSERT_TRUE(app_test::runUntil([&] { return timeline.reloads() > before; }));
    Platform::WidgetCenter::reloadAllTimelines();
    ASSERT_TRUE(app_test::runUntil([&] { return timeline.reloads() > before + 1; }));

    // A snapshot that cannot be read: nothing running. Its reload, asked for after everything
    // above, comes after any reload those requests caused, so the count is now exact.
    std::ofstream(*AppGroup::containerURL() / DataStore::fileName) << "{}";
    Platform::WidgetCenter::reloadAllTimelines();
    ASSERT_TRUE(app_test::runUntil([&] { return live.projects.empty(); }));
    EXPECT_EQ(timeline.reloads(), before + 3) << "one reload for the burst, one for each request after it";
    EXPECT_EQ(sample.reloads(), 1);  // the placeholder never reloads
    EXPECT_EQ(Provider::snapshot(std::chrono::system_clock::now()).projects, Provider::sample());
    const Provider::Timeline next = Provider::timeline(live.date);
    EXPECT_EQ(next.entries.size(), 1u);
    EXPECT_EQ(next.reloadAfter - live.date, std::chrono::seconds(30));
}

}  // namespace
