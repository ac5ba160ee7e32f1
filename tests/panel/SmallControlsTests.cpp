// The footer's and headers' small controls as a person uses them: hover, clicks, typing, and what
// each tells its owner.

#include <gtest/gtest.h>
#include <QApplication>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <chrono>

#include "App/Panel/Controls/HoverButton.h"
#include "App/Panel/Controls/IconButton.h"
#include "App/Panel/Controls/RescanButton.h"
#include "App/Panel/Controls/SearchField.h"
#include "App/Panel/Controls/StopAllButton.h"
#include "App/Panel/Controls/ViewToggle.h"
#include "Controls/TextWidths.h"
#include "PanelTestSupport.h"
#include "support/QtWaiting.h"

namespace {

using namespace panel_test;
using namespace std::chrono_literals;

TEST(StopAllButton, ADisabledReasonGreysItOutAndBecomesItsToolTip) {
    for (const bool dark : {false, true}) {
        StopAllButton button;
        button.setPalette(panelPalette(dark));
        button.show();
        QSignalSpy clicks(&button, &QAbstractButton::clicked);
        EXPECT_EQ(button.text(), "Stop all");
        EXPECT_EQ(button.toolTip(), "Stop every server in this project");
        EXPECT_EQ(button.textColor(), Theme::color(ThemeColor::muted, dark));
        EXPECT_EQ(button.strokeColor(), Theme::color(ThemeColor::hairline, dark));
        sendEnter(&button);
        EXPECT_EQ(button.textColor(), Theme::color(ThemeColor::red, dark));
        QColor wash = Theme::color(ThemeColor::red, dark);
        wash.setAlphaF(0.09f);
        EXPECT_EQ(button.fillColor(), wash);
        QTest::mouseClick(&button, Qt::LeftButton);
        EXPECT_EQ(clicks.count(), 1);

        button.setDisabledReason(QStringLiteral("kept running elsewhere"));
        EXPECT_FALSE(button.isEnabled());
        EXPECT_EQ(button.toolTip(), "kept running elsewhere");
        EXPECT_EQ(button.textColor(), Theme::color(ThemeColor::faint, dark)) << "faint even under the pointer";
        QTest::mouseClick(&button, Qt::LeftButton);
        EXPECT_EQ(clicks.count(), 1);
        button.setDisabledReason(std::nullopt);
        EXPECT_EQ(button.toolTip(), "Stop every server in this project");
    }
}

TEST(SearchField, ClearButtonFollowsTheTextAndClearingKeepsTheFocus) {
    QWidget window;
    auto* field = new SearchField(&window);
    auto* other = new QLineEdit(&window);
    other->move(0, 50);
    field->resize(300, field->sizeHint().height());
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    other->setFocus();
    QSignalSpy edits(field, &SearchField::textEdited);
    QSignalSpy focus(field, &SearchField::focusedChanged);

    EXPECT_EQ(field->lineEdit()->placeholderText(), "Filter servers…");
    EXPECT_FALSE(field->clearButton()->isVisible());
    EXPECT_FALSE(field->isFocused());
    EXPECT_EQ(field->clearButton()->toolTip(), "Clear");
    EXPECT_EQ(field->clearButton()->accessibleName(), "Clear search");

    // A click on the field's glass, not on the text field, focuses it.
    QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(SearchField::ringRoom + 12, field->height() / 2));
    ASSERT_TRUE(field->isFocused());
    EXPECT_TRUE(field->showsFocusRing());
    EXPECT_EQ(focus.count(), 1);
    EXPECT_EQ(field->borderColor(), Tint::of(ThemeColor::alive, 0.5).resolve(field->palette()));

    QTest::keyClicks(field->lineEdit(), "5");
    EXPECT_TRUE(field->clearButton()->isVisible());
    ASSERT_EQ(edits.count(), 1);
    EXPECT_EQ(edits.last().at(0).toString(), "5");

    QTest::mouseClick(field->clearButton(), Qt::LeftButton);
    EXPECT_EQ(field->text(), "");
    EXPECT_EQ(edits.last().at(0).toString(), "");
    EXPECT_FALSE(field->clearButton()->isVisible());
    EXPECT_TRUE(field->isFocused()) << "clearing does not move the focus";

    // Unfocused, clearing does not take the focus either; the owner's text arrives silently.
    other->setFocus();
    ASSERT_FALSE(field->isFocused());
    const int editsBefore = int(edits.count());
    field->setText(QStringLiteral("vite"));
    EXPECT_EQ(edits.count(), editsBefore) << "the owner's own text is not reported back";
    EXPECT_TRUE(field->clearButton()->isVisible());
    QTest::mouseClick(field->clearButton(), Qt::LeftButton);
    EXPECT_FALSE(field->isFocused());
    EXPECT_EQ(field->text(), "");

    EXPECT_EQ(field->borderColor(), Theme::color(ThemeColor::hairline, field->palette()));
    sendEnter(field);
    EXPECT_EQ(field->borderColor(), Tint::primary(0.22).resolve(field->palette()));
    field->setFocused(true);
    EXPECT_EQ(field->borderColor(), Tint::of(ThemeColor::alive, 0.5).resolve(field->palette())) << "focus beats hover";
}

TEST(ViewToggle, EveryClickIsReportedAndTheOwnerDecides) {
    ViewToggle toggle;
    toggle.show();
    QSignalSpy chosen(&toggle, &ViewToggle::groupedChosen);
    EXPECT_EQ(toggle.sizeHint(), QSize(66, 30));
    EXPECT_EQ(toggle.segment(true)->toolTip(), "Group by project");
    EXPECT_EQ(toggle.segment(false)->toolTip(), "Flat port-sorted list");

    QTest::mouseClick(toggle.segment(true), Qt::LeftButton);  // the selected one
    QTest::mouseClick(toggle.segment(false), Qt::LeftButton);
    ASSERT_EQ(chosen.count(), 2);
    EXPECT_TRUE(chosen.at(0).at(0).toBool());
    EXPECT_FALSE(chosen.at(1).at(0).toBool());
    EXPECT_TRUE(toggle.grouped()) << "the owner's flag flows in, the click only asks";
}

TEST(RescanButton, SpinsEndlesslyUntilTheScanEndsThenComesToRest) {
    RescanButton button;
    button.show();
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    EXPECT_EQ(button.toolTip(), "Rescan ports");
    EXPECT_EQ(button.accessibleName(), "Rescan ports");
    EXPECT_EQ(button.size(), QSize(26, 26));

    button.setSpinning(true);
    EXPECT_TRUE(app_test::runUntil([&] { return button.angle() > 0; }, 5s)) << "the arrow turns";
    // Past a whole turn it keeps going: the animation repeats.
    qreal highest = 0;
    EXPECT_TRUE(app_test::runUntil(
        [&] {
            const bool wrapped = button.angle() < highest - 90;
            highest = std::max(highest, button.angle());
            return wrapped;
        },
        5s));
    EXPECT_TRUE(button.isAnimating());
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1) << "still enabled while spinning";

    button.setSpinning(false);
    EXPECT_TRUE(app_test::runUntil([&] { return !button.isAnimating(); }, 5s)) << "the endless turn ends";
    EXPECT_EQ(button.angle(), 0);
}

// Thousands of servers come and go under the rows: the widths of their texts are not kept for
// good, while a text that stays on screen stays remembered.
TEST(TextWidths, TextsOfServersThatWentAreForgottenAndShownOnesKept) {
    const QFont fonts[] = {QFont(QStringLiteral("Manrope"), 11), QFont(QStringLiteral("Manrope"), 13, QFont::DemiBold),
                           QFont(QStringLiteral("JetBrains Mono"), 10), QFont(QStringLiteral("JetBrains Mono"), 11)};
    const QString shown = QStringLiteral("python3 -m http.server 8000");
    EXPECT_EQ(TextWidths::advance(fonts[0], shown), QFontMetricsF(fonts[0]).horizontalAdvance(shown));
    for (int server = 0; server < 12000; ++server) {
        for (const QFont& font : fonts) TextWidths::advance(font, QStringLiteral("localhost:%1").arg(server));
        TextWidths::advance(fonts[0], shown);
        ASSERT_LE(TextWidths::rememberedTexts(), 2 * TextWidths::generationSize) << server;
    }
    const std::size_t remembered = TextWidths::rememberedTexts();
    EXPECT_EQ(TextWidths::advance(fonts[0], shown), QFontMetricsF(fonts[0]).horizontalAdvance(shown));
    EXPECT_EQ(TextWidths::rememberedTexts(), remembered) << "still remembered: nothing was added";
}

}  // namespace
