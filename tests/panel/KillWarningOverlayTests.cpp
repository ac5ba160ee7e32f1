// The one-time warning card over the panel: its texts for each kind of stop, and every way to
// answer it.

#include <gtest/gtest.h>
#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "App/Panel/Controls/TextButton.h"
#include "App/Panel/Warning/KillWarningOverlay.h"
#include "Controls/TextView.h"
#include "PanelTestSupport.h"

namespace {

using namespace panel_test;

struct Panel {
    QWidget window;
    QLineEdit* search = new QLineEdit(&window);
    KillWarningOverlay* overlay = new KillWarningOverlay(&window);
    QSignalSpy confirmed{overlay, &KillWarningOverlay::confirmed};
    QSignalSpy cancelled{overlay, &KillWarningOverlay::cancelled};

    Panel() {
        window.resize(440, 400);
        window.show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
        search->setFocus();
    }
    QString text(const char* name) const { return overlay->findChild<TextView*>(QString::fromLatin1(name))->text(); }
};

TEST(KillWarningOverlay, TellsWhatEachKindOfStopDoes) {
    Panel panel;
    const struct {
        bool container;
        std::int32_t signal;
        const char* title;
        const char* start;
        const char* confirm;
    } cases[] = {
        {true, 15, "Stop this container?", "This runs docker stop.", "Stop"},
        {true, 9, "Force-stop this container?", "Force-stopping runs docker kill:", "Force Stop"},
        {false, 15, "Stop this server?", "Vellumark stops the server's entire process group", "Stop"},
        {false, 9, "Force-stop this server?", "Force-stopping sends SIGKILL", "Force Stop"},
        {false, 2, "Stop this server?", "Vellumark stops", "Stop"},  // anything but 9 is a plain stop
    };
    for (const auto& expected : cases) {
        panel.overlay->present(expected.container, expected.signal);
        EXPECT_EQ(panel.text("title"), expected.title);
        EXPECT_TRUE(panel.text("explanation").startsWith(expected.start)) << panel.text("explanation").toStdString();
        EXPECT_EQ(panel.text("note"), "You will only see this warning once.");
        EXPECT_EQ(panel.overlay->confirmButton()->text(), expected.confirm);
        panel.overlay->cancel();
    }
    EXPECT_EQ(KillWarningOverlay::texts(true, 9).explanation,
              "Force-stopping runs docker kill: the container stops immediately, with no chance to shut down cleanly. "
              "Unsaved work and unwritten state may be lost.");
    EXPECT_EQ(KillWarningOverlay::texts(false, 15).explanation,
              "Vellumark stops the server's entire process group, not just one process. The processes are asked to "
              "exit cleanly (SIGTERM), but unsaved work in them may still be lost.");

    // It covers the panel and follows its size; the card keeps 18 px from the sides.
    panel.overlay->present(false, 15);
    EXPECT_EQ(panel.overlay->geometry(), panel.window.rect());
    panel.window.resize(440, 600);
    EXPECT_EQ(panel.overlay->geometry(), panel.window.rect());
    EXPECT_EQ(panel.overlay->card()->geometry().left(), 18);
    EXPECT_EQ(panel.overlay->card()->geometry().right(), 440 - 18 - 1);
    EXPECT_GE(panel.overlay->card()->height(), panel.overlay->card()->sizeHint().height());
}

TEST(KillWarningOverlay, ReturnConfirmsEscapeAndTheDimmingCancel) {
    Panel panel;
    panel.overlay->present(false, 15);
    ASSERT_TRUE(panel.overlay->hasFocus());
    QTest::keyClick(panel.overlay, Qt::Key_Return);
    EXPECT_EQ(panel.confirmed.count(), 1);
    EXPECT_FALSE(panel.overlay->isPresented());
    EXPECT_TRUE(panel.search->hasFocus()) << "the keyboard goes back where it was";

    panel.overlay->present(false, 9);
    QTest::keyClick(panel.overlay, Qt::Key_Escape);
    EXPECT_EQ(panel.cancelled.count(), 1);

    panel.overlay->present(true, 15);
    QTest::mouseClick(panel.overlay->card(), Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_TRUE(panel.overlay->isPresented()) << "a click on the card itself is no answer";
    QTest::mouseClick(panel.overlay, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(panel.cancelled.count(), 2);
    EXPECT_FALSE(panel.overlay->isPresented());
    panel.overlay->confirm();  // not presented: no answer (its buttons are pressed in MenuContentViewTests)
    EXPECT_EQ(panel.confirmed.count() + panel.cancelled.count(), 3);
}

}  // namespace
