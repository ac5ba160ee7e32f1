// The whole panel, off screen, as a person uses it: its states, what the header, list and footer
// show for a snapshot, searching and grouping, the stop road through the real widgets, and rows
// kept across reloads.

#include <signal.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <chrono>

#include "App/Panel/Controls/CapsuleLabel.h"
#include "App/Panel/Controls/SearchField.h"
#include "App/Panel/Controls/TextButton.h"
#include "App/Panel/Footer/PanelFooter.h"
#include "App/Panel/Header/PanelHeader.h"
#include "App/Panel/List/ProjectHeader.h"
#include "App/Panel/List/ServerList.h"
#include "App/Panel/MenuContentView.h"
#include "App/Panel/Rows/KillConfirmCluster.h"
#include "App/Panel/Rows/ServerRowView.h"
#include "App/Panel/ServerArea.h"
#include "App/Panel/States/ConflictBanner.h"
#include "App/Panel/States/NoResultsState.h"
#include "App/Panel/Warning/KillWarningOverlay.h"
#include "App/Shell/Popover.h"
#include "App/Trackers/KillWarning.h"
#include "PanelTestSupport.h"
#include "discovery/support/TestProcesses.h"
#include "support/TempHome.h"

namespace {

using namespace std::chrono_literals;
using testing_support::ChildProcess;

DevServer serverOf(const ChildProcess& process, int port, std::string command = "sleep") {
    DevServer server = panel_test::server(process.pid(), {port}, std::move(command));
    server.cpu = 0;
    return server;
}

// The panel in the popover, shown, with the snapshot the test sets.
struct ShownPanel {
    std::optional<ProcessSnapshot> stored;
    Popover popover;
    MenuContentView* view;

    explicit ShownPanel(std::vector<DevProject> projects) : stored(ProcessSnapshot{Platform::Date{}, std::move(projects)}) {
        PanelModel::Environment environment;
        environment.readSnapshot = [this] { return stored; };
        environment.scan = [this] { return stored ? stored->projects : std::vector<DevProject>{}; };
        environment.writeSnapshot = [](const ProcessSnapshot&) {};
        environment.minimumScanningTime = 0ms;
        view = new MenuContentView(environment, [] { return true; });
        popover.setContentView(view);
        popover.showRelativeTo(QRect(1000, 0, 20, 20));
    }
    ServerList& list() const { return *view->serverArea()->list(); }
    ServerRowView* row(const std::string& id) const { return list().row(id); }
    void key(Qt::Key key) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &popover;
        QTest::keyClick(target, key);
    }
};

TEST(MenuContentView, TheWarningCardAnswersReturnEvenWhenTheFilterFieldHadTheKeyboard) {
    testing_support::TempHome home;
    ChildProcess server({"sleep", "60"});
    ShownPanel panel({{"shop", "/p/shop", {serverOf(server, 3000)}}});
    SearchField* search = panel.view->serverArea()->footer()->searchField();
    QTest::mouseClick(search->lineEdit(), Qt::LeftButton);
    ASSERT_TRUE(search->isFocused());

    panel.view->model().killServer(*panel.view->model().derived().visibleRows[0].server, 15);
    ASSERT_TRUE(panel.view->isShowingWarning());
    panel.key(Qt::Key_Return);
    EXPECT_FALSE(panel.view->isShowingWarning());
    EXPECT_FALSE(KillWarning::needsWarning(false));
    EXPECT_EQ(testing_support::endedBy(server), SIGTERM);
}

}  // namespace
