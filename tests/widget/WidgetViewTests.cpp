// The widget's face per family, rendered off screen: rows up to the family's limit and the "more"
// line, the header's count and conflict mark, the empty note, the stored order, and the buttons with
// their intents and help texts. The placeholder's buttons do nothing.

#include "Widget/WidgetView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include <filesystem>
#include <map>

#include "Look/PointingCursor.h"
#include "Look/Theme.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/Settings/DisplayPrefs.h"
#include "Widget/Provider.h"
#include "Widget/WidgetParts.h"
#include "support/TempHome.h"
#include "widget/Pictures.h"
#include "widget/WidgetSamples.h"

namespace {

using namespace widget_test;
using testing_support::TempHome;

struct Shown {
    explicit Shown(WidgetFamily family, std::vector<DevProject> projects, ProjectRow::IntentHandler perform = nullptr)
        : view(family, std::move(perform)) {
        view.setEntry({std::chrono::system_clock::now(), std::move(projects)});
        view.show();
        image = view.grab().toImage();  // lays out and paints it all
    }
    std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (const ProjectRow* row : view.rows()) result.push_back(row->row().name);
        return result;
    }
    WidgetView view;
    QImage image;
};

bool visible(const QWidget* widget, const WidgetView& view) { return widget->isVisibleTo(&view); }

TEST(WidgetView, EachFamilyShowsItsRowsAndSumsUpTheRest) {
    TempHome home;
    const struct {
        WidgetFamily family;
        int projects, rows;
        const char* more;
        QSize nominal;
    } cases[] = {{WidgetFamily::small, 5, 2, "+3 more", {170, 170}},
                 {WidgetFamily::medium, 4, 4, nullptr, {364, 170}},
                 {WidgetFamily::large, 10, 9, "+1 more", {364, 382}}};
    for (const auto& c : cases) {
        const std::string_view family = WidgetFamilies::name(c.family);
        Shown shown(c.family, projects(c.projects));
        EXPECT_TRUE(shown.view.width() == c.nominal.width() && shown.view.height() >= c.nominal.height()) << family;
        EXPECT_EQ(shown.view.rows().size(), std::size_t(c.rows));
        EXPECT_EQ(visible(shown.view.moreLine(), shown.view) ? shown.view.moreLine()->text() : "",
                  c.more ? c.more : "");
        EXPECT_FALSE(visible(shown.view.emptyNote(), shown.view));
        // Every row gets its full height, and the last line ends above the bottom padding.
        for (const ProjectRow* row : shown.view.rows()) EXPECT_GE(row->height(), row->sizeHint().height()) << family;
        const QWidget* last = c.more ? static_cast<QWidget*>(shown.view.moreLine()) : shown.view.rows().back();
        EXPECT_LE(last->mapTo(&shown.view, QPoint(0, last->height())).y(), shown.view.height() - 12) << family;
        EXPECT_EQ(shown.view.countPill()->text(), QString::number(c.projects) + " servers");
    }
}

TEST(WidgetView, HeaderCountsServersMarksConflictsAndSaysWhenNothingRuns) {
    TempHome home;
    const QColor red = Theme::color(ThemeColor::red, false), port = Theme::color(ThemeColor::port, false);
    Shown none(WidgetFamily::medium, {});
    EXPECT_EQ(none.view.countPill()->text(), "0 servers");
    EXPECT_TRUE(visible(none.view.emptyNote(), none.view) && none.view.rows().empty());
    EXPECT_EQ(none.view.emptyNote()->text(), "Nothing running");
    // The note's ink sits in the middle of the space below the header (7 under it, down to the
    // bottom padding of 12) in every family, also once the last project has gone: the drawn pixels
    // off the card's colour below the header.
    for (WidgetFamily family : WidgetFamilies::supported) {
        Shown empty(family, projects(2));
        empty.view.setEntry({std::chrono::system_clock::now(), {}});
        QApplication::processEvents();  // the layout's request
        empty.image = empty.view.grab().toImage();
        const WidgetView& view = empty.view;
        int headerBottom = 0;
        for (const QWidget* part : {view.wordmark(), view.ghost(), static_cast<QWidget*>(view.countPill())})
            if (visible(part, view))
                headerBottom = std::max(headerBottom, part->mapTo(&view, QPoint(0, part->height())).y());
        const QRgb card = Theme::color(ThemeColor::card, false).rgb();
        QRect ink;
        for (int y = headerBottom; y < empty.image.height(); ++y)
            for (int x = 0; x < empty.image.width(); ++x)
                if (empty.image.pixel(x, y) != card) ink |= QRect(x, y, 1, 1);
        const std::string_view name = WidgetFamilies::name(family);
        ASSERT_FALSE(ink.isEmpty()) << name;
        EXPECT_NEAR(ink.center().y(), (headerBottom + 7 + view.height() - 12) / 2.0, 3) << name;
        EXPECT_NEAR(ink.center().x(), view.width() / 2.0, 3) << name;
    }

    Shown one(WidgetFamily::small, {project("api", {server(10, {8000})})});
    EXPECT_EQ(one.view.countPill()->text(), "1 server");
    EXPECT_FALSE(visible(one.view.conflictMark(), one.view));
    const QImage label = one.view.rows()[0]->mainButton()->grab().toImage();
    EXPECT_TRUE(holdsColor(label, port) && !holdsColor(label, red));
    // Port 3000 twice, in two projects: the mark shows and both ":3000" are red; 5173 stays blue.
    Shown clash(WidgetFamily::medium,
                {project("shop", {server(10, {3000, 5173})}), project("blog", {server(20, {3000})})});
    EXPECT_EQ(clash.view.countPill()->text(), "2 servers");
    EXPECT_TRUE(visible(clash.view.conflictMark(), clash.view));
    for (const ProjectRow* row : clash.view.rows()) {
        EXPECT_TRUE(row->row().ports.front().conflicting);
        EXPECT_TRUE(holdsColor(row->mainButton()->grab().toImage(), red)) << row->row().name;
    }
    EXPECT_EQ(clash.view.rows()[1]->row().ports.back(), (WidgetContent::PortLabel{5173, false}));  // shop
    // The medium header has room for the whole wordmark; the small one shows its ghost beside the count.
    EXPECT_TRUE(visible(clash.view.wordmark(), clash.view));
    Shown small(WidgetFamily::small, {project("shop", {server(10, {3000})}), project("blog", {server(20, {3000})})});
    EXPECT_FALSE(visible(small.view.wordmark(), small.view));
    EXPECT_TRUE(visible(small.view.ghost(), small.view));
    const QWidget* pill = small.view.countPill();
    EXPECT_LE(pill->mapTo(&small.view, QPoint(pill->width(), 0)).x(), 170 - 13);
}

TEST(WidgetView, ProjectsFollowTheStoredSortOrder) {
    TempHome home;
    const std::vector<DevProject> listed{project("zeta", {server(1, {9000}, "node", 1.0)}),
                                         project("alpha", {server(2, {8000}, "node", 5.0)}),
                                         project("mid", {server(3, {3000}, "node", 9.0)})};
    EXPECT_EQ(Shown(WidgetFamily::large, listed).names(), (std::vector<std::string>{"mid", "alpha", "zeta"}));
    DisplayPrefs prefs;
    prefs.sortMode = SortMode::project;
    prefs.save(AppGroup::sharedDefaults());
    EXPECT_EQ(Shown(WidgetFamily::large, listed).names(), (std::vector<std::string>{"alpha", "mid", "zeta"}));
    prefs.sortMode = SortMode::port;
    prefs.save(AppGroup::sharedDefaults());
    EXPECT_EQ(Shown(WidgetFamily::large, listed).names(), (std::vector<std::string>{"mid", "alpha", "zeta"}));
}

TEST(WidgetView, ButtonsQueueTheirIntentsWithTheirHelpTexts) {
    TempHome home;
    DevServer keptAlive = server(300, {7000}, "daemon", 0, {300, 301});
    keptAlive.keptAlive = true;
    DevServer alsoKeptAlive = server(500, {7001}, "agent");
    alsoKeptAlive.keptAlive = true;
    const std::vector<DevProject> listed{
        project("shop", {server(100, {5173}, "vite", 0, {100, 101}), server(200, {3000}, "next-server"), keptAlive}),
        project("db", {container(7, {5432})}),
        project("svc", {alsoKeptAlive}),
        project("bare", {server(400, {})}),
    };
    Shown shown(WidgetFamily::medium, listed, [](const WidgetIntent& intent) { perform(intent); });
    ASSERT_EQ(shown.view.rows().size(), 4u);
    std::map<std::string, ProjectRow*> rows;
    for (ProjectRow* row : shown.view.rows()) rows[row->row().name] = row;

    // Ports in ascending order; the main button opens the lowest.
    ProjectRow* shop = rows.at("shop");
    EXPECT_EQ(shop->row().ports, (std::vector<WidgetContent::PortLabel>{{3000, false}, {5173, false}, {7000, false}}));
    EXPECT_EQ(shop->row().commands, "vite, next-server, daemon");
    EXPECT_EQ(shop->folderButton()->toolTip(), "Reveal shop in the file manager");
    EXPECT_EQ(shop->folderButton()->accessibleName(), "Reveal shop in the file manager");
    // The kept-alive server's two processes are not signalled, so they are not counted.
    EXPECT_TRUE(visible(shop->stopButton(), shown.view));
    EXPECT_EQ(shop->stopButton()->toolTip(), "Kill all 3 processes in shop");
    // Nothing to stop in a project of containers or of kept-alive servers: no stop button.
    EXPECT_FALSE(visible(rows.at("db")->stopButton(), shown.view));
    EXPECT_FALSE(visible(rows.at("svc")->stopButton(), shown.view));

    shop->mainButton()->click();
    shop->stopButton()->click();
    rows.at("bare")->mainButton()->click();  // no port: its folder instead
    rows.at("db")->folderButton()->click();
    EXPECT_EQ(queued(), R"([{"openLocalhost":{"port":3000}},{"kill":{"pgids":[100,100,200],"pids":[100,101,200]}},)"
                        R"({"revealFolder":{"path":"/home/you/Development/bare"}},)"
                        R"({"revealFolder":{"path":"/home/you/Development/db"}}])");
}

TEST(WidgetView, AButtonHeldWhileTheOrderChangesActsForItsOwnProject) {
    TempHome home;
    std::vector<WidgetIntent> performed;
    const auto busy = [](double blogCPU) {
        return std::vector<DevProject>{project("shop", {server(10, {3000}, "node", 5.0)}),
                                       project("blog", {server(20, {4000}, "hugo", blogCPU)})};
    };
    Shown shown(WidgetFamily::medium, busy(1.0), [&](const WidgetIntent& intent) { performed.push_back(intent); });
    ProjectButton* held = shown.view.rows()[0]->mainButton();
    ASSERT_EQ(held->row().name, "shop");
    const QPointF centre = QRectF(held->rect()).center();
    QMouseEvent press(QEvent::MouseButtonPress, centre, held->mapToGlobal(centre), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(held, &press);
    // A reload puts blog first while the button is down.
    shown.view.setEntry({std::chrono::system_clock::now(), busy(9.0)});
    ASSERT_EQ(shown.view.rows()[0]->row().name, "blog");
    QMouseEvent release(QEvent::MouseButtonRelease, centre, held->mapToGlobal(centre), Qt::LeftButton, {}, {});
    QApplication::sendEvent(held, &release);
    EXPECT_EQ(performed, (std::vector<WidgetIntent>{OpenLocalhostIntent(3000)}));
}

TEST(WidgetView, ThePlaceholdersButtonsDoNothing) {
    TempHome home;
    WidgetView view(WidgetFamily::large, nullptr);
    view.setEntry({std::chrono::system_clock::now(), Provider::sample()});
    view.show();
    ASSERT_EQ(view.rows().size(), 2u);
    for (ProjectRow* row : view.rows()) {
        for (QAbstractButton* button :
             {static_cast<QAbstractButton*>(row->mainButton()), static_cast<QAbstractButton*>(row->folderButton()),
              static_cast<QAbstractButton*>(row->stopButton())}) {
            button->click();
            EXPECT_FALSE(button->findChild<PointingCursor*>()) << row->row().name;
        }
    }
    EXPECT_EQ(queued(), "(none)");
}

}  // namespace
