// Keyboard navigation of the open panel: KeyNav's selection rules, and the key monitor working a
// real window with a real filter field, keys delivered as the window system delivers them. Off
// screen.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QVBoxLayout>

#include "App/Shell/KeyMonitor.h"
#include "Core/PanelModel/KeyNav.h"
#include "Core/PanelModel/LeaveSearch.h"
#include "globalshortcuts/support/KeyTarget.h"
#include "support/QtWaiting.h"

namespace {

using Selection = std::optional<std::string>;

// Rows a, b, c; each records the actions run on it. b cannot be restarted.
struct Rows {
    std::vector<std::string> ran;
    std::vector<KeyNav::Row> make() {
        std::vector<KeyNav::Row> rows;
        for (const std::string id : {"a", "b", "c"}) {
            KeyNav::Row row{id, [this, id] { ran.push_back("open " + id); },
                            [this, id] { ran.push_back("kill " + id); }, std::nullopt};
            if (id != "b") row.restart = [this, id] { ran.push_back("restart " + id); };
            rows.push_back(std::move(row));
        }
        return rows;
    }
};

TEST(KeyNav, MovesClampWithoutWrappingAndRowsKeepOrClearTheSelection) {
    KeyNav nav;
    Rows rows;
    int changes = 0;
    nav.subscribe([&] { ++changes; });
    nav.move(1);
    EXPECT_EQ(nav.selectedID(), std::nullopt) << "no rows: nothing";
    nav.setRows(rows.make());
    nav.move(1);
    EXPECT_EQ(nav.selectedID(), Selection("a"));
    nav.clearSelection();
    nav.move(-1);
    EXPECT_EQ(nav.selectedID(), Selection("c"));
    nav.move(1);
    EXPECT_EQ(nav.selectedID(), Selection("c"));
    for (int step = 0; step < 3; ++step) nav.move(-1);
    EXPECT_EQ(nav.selectedID(), Selection("a"));
    nav.select("gone");
    nav.move(-1);
    EXPECT_EQ(nav.selectedID(), Selection("c")) << "a selection that is no row counts as none";

    nav.select("b");
    nav.activate(KeyNav::Command::restart);
    nav.activate(KeyNav::Command::kill);
    EXPECT_EQ(rows.ran, std::vector<std::string>{"kill b"});

    auto withoutA = rows.make();
    withoutA.erase(withoutA.begin());
    nav.setRows(withoutA);
    EXPECT_EQ(nav.selectedID(), Selection("b"));
    nav.setRows({});
    EXPECT_EQ(nav.selectedID(), std::nullopt);
    nav.activate(KeyNav::Command::open);
    EXPECT_EQ(rows.ran.size(), 1u);
    EXPECT_EQ(changes, 9);
}

using shortcut_test::KeyTarget;

class KeyMonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        app_test::installMainQueueOnQt();
        window.setObjectName(QStringLiteral("panel"));
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(&search);
        layout->addWidget(&target);
        target.setFocusPolicy(Qt::StrongFocus);
        nav.setRows(rows.make());
        leaveToken = LeaveSearch::observe([this] { ++leftSearch; });
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        target.setFocus();
        ASSERT_TRUE(app_test::runUntil([&] { return target.hasFocus(); }));
    }
    void TearDown() override { LeaveSearch::stopObserving(leaveToken); }

    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(window.windowHandle(), key, modifiers);
    }

    KeyNav nav;
    Rows rows;
    QWidget window;
    QLineEdit search;
    KeyTarget target;
    int leftSearch = 0;
    LeaveSearch::Token leaveToken = 0;
    bool cardShown = false;
    KeyMonitor monitor{nav, &window, [this] { return cardShown; }};
};

TEST_F(KeyMonitorTest, ArrowsSelectLettersActAndModifiedKeysPassThrough) {
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    EXPECT_EQ(nav.selectedID(), Selection("b"));
    press(Qt::Key_K, Qt::ShiftModifier);
    press(Qt::Key_R);  // b cannot be restarted: nothing runs, and the key is still taken
    press(Qt::Key_Up);
    press(Qt::Key_O);
    EXPECT_EQ(rows.ran, (std::vector<std::string>{"kill b", "open a"}));
    EXPECT_TRUE(target.keys.empty()) << "every one of those was swallowed";

    press(Qt::Key_K, Qt::ControlModifier);
    press(Qt::Key_Down, Qt::AltModifier);
    press(Qt::Key_O, Qt::MetaModifier);
    press(Qt::Key_X);
    EXPECT_EQ(target.keys, (std::vector<int>{Qt::Key_K, Qt::Key_Down, Qt::Key_O, Qt::Key_X}));
    EXPECT_EQ(nav.selectedID(), Selection("a"));
    EXPECT_EQ(rows.ran.size(), 2u);

    press(Qt::Key_Escape, Qt::ShiftModifier);
    EXPECT_EQ(nav.selectedID(), std::nullopt);
    EXPECT_EQ(target.keys.back(), Qt::Key_Escape) << "Escape still reaches the panel";

    // Another window gets its own keys.
    KeyTarget other;
    other.show();
    QTest::keyClick(other.windowHandle(), Qt::Key_Down);
    EXPECT_EQ(other.keys, std::vector<int>{Qt::Key_Down});
    EXPECT_EQ(nav.selectedID(), std::nullopt);

    // A menu opened from the panel gets the keys that still arrive at the panel's window.
    QMenu menu;
    QAction* first = menu.addAction(QStringLiteral("Settings…"));
    menu.addAction(QStringLiteral("Quit"));
    menu.popup(window.mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(app_test::runUntil([&] { return QApplication::activePopupWidget() == &menu; }));
    press(Qt::Key_Down);
    EXPECT_EQ(menu.activeAction(), first);
    EXPECT_EQ(nav.selectedID(), std::nullopt);
    menu.close();
}

TEST_F(KeyMonitorTest, EscapeAndDownLeaveTheFilterFieldOtherKeysTypeIntoIt) {
    nav.select("c");
    search.setFocus();
    ASSERT_TRUE(app_test::runUntil([&] { return search.hasFocus(); }));
    press(Qt::Key_O);
    QTest::keyClick(window.windowHandle(), 'K', Qt::ShiftModifier);
    press(Qt::Key_A, Qt::ControlModifier);  // modified: the field's own select-all
    EXPECT_EQ(search.text(), QStringLiteral("oK"));
    EXPECT_EQ(search.selectedText(), QStringLiteral("oK"));
    EXPECT_TRUE(rows.ran.empty());

    press(Qt::Key_Down);
    EXPECT_FALSE(search.hasFocus());
    EXPECT_EQ(leftSearch, 1);
    EXPECT_EQ(nav.selectedID(), Selection("a")) << "the first row, whatever was selected";

    search.setFocus();
    ASSERT_TRUE(app_test::runUntil([&] { return search.hasFocus(); }));
    press(Qt::Key_Escape);
    EXPECT_FALSE(search.hasFocus());
    EXPECT_EQ(leftSearch, 2);
    EXPECT_EQ(nav.selectedID(), Selection("a"));
    EXPECT_TRUE(window.isVisible()) << "the field's Escape does not reach the window";

    nav.setRows({});
    search.setFocus();
    ASSERT_TRUE(app_test::runUntil([&] { return search.hasFocus(); }));
    press(Qt::Key_Down);
    EXPECT_EQ(nav.selectedID(), std::nullopt);
    EXPECT_EQ(leftSearch, 3);
}

TEST_F(KeyMonitorTest, WhileTheWarningCardIsShownOnlyTheCardSeesKeys) {
    nav.select("b");
    cardShown = true;
    for (const Qt::Key key :
         {Qt::Key_O, Qt::Key_K, Qt::Key_R, Qt::Key_Up, Qt::Key_Down, Qt::Key_Return, Qt::Key_Escape})
        press(key);
    EXPECT_TRUE(rows.ran.empty());
    EXPECT_EQ(nav.selectedID(), Selection("b"));
    EXPECT_EQ(target.keys, (std::vector<int>{Qt::Key_O, Qt::Key_K, Qt::Key_R, Qt::Key_Up, Qt::Key_Down, Qt::Key_Return,
                                             Qt::Key_Escape}));
    cardShown = false;
    press(Qt::Key_K);
    EXPECT_EQ(rows.ran, std::vector<std::string>{"kill b"});
}

}  // namespace
