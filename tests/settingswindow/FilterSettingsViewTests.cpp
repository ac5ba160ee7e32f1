// The Filters page through its real widgets, off screen: what each field and button accepts, what
// each change stores (how a scan applies the stored rules is the scan's own test), and that the page
// follows rules stored elsewhere.

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>

#include <deque>

#include "App/Settings/FilterSettingsView.h"
#include "Look/Brand.h"
#include "Platform/UserDefaults.h"
#include "settingswindow/SettingsTestSupport.h"
#include "support/QtWaiting.h"
#include "support/TempHome.h"

namespace {

using settings_test::named;
using settings_test::rowTexts;
using Strings = std::vector<std::string>;

FilterRules stored() { return FilterRules::load(Platform::UserDefaults::standard()); }

class FiltersPage : public ::testing::Test {
protected:
    void SetUp() override { app_test::installMainQueueOnQt(); }
    // The page, with a folder chooser that hands out `choices` one by one.
    FilterSettingsView& open() {
        page = std::make_unique<FilterSettingsView>([this](QWidget*) {
            std::optional<QString> choice = choices.front();
            choices.pop_front();
            return choice;
        });
        page->resize(580, 900);
        page->show();
        return *page;
    }
    QLineEdit& field(const char* name) { return *named<QLineEdit>(*page, name); }
    QAbstractButton& button(const char* name) { return *named<QAbstractButton>(*page, name); }
    void type(const char* fieldName, const char* text) { field(fieldName).setText(QString::fromUtf8(text)); }
    std::string home() const { return temp.home().string(); }

    testing_support::TempHome temp;
    std::deque<std::optional<QString>> choices;
    std::unique_ptr<FilterSettingsView> page;
};

TEST_F(FiltersPage, PortFieldsAcceptNumbersAndAddOnlyPorts) {
    open();
    for (const char* text : {"", " 80", "80 ", "80a", "0x50", "99999999999999999999"}) {
        type("newPortField", text);
        EXPECT_FALSE(button("addPortButton").isEnabled()) << '"' << text << '"';
        settings_test::press(&field("newPortField"), Qt::Key_Return);
        EXPECT_EQ(field("newPortField").text().toStdString(), text);
    }
    for (const char* text : {"0", "70000", "-3000"}) {
        type("newPortField", text);
        EXPECT_TRUE(button("addPortButton").isEnabled()) << text;
        button("addPortButton").click();
        EXPECT_EQ(field("newPortField").text().toStdString(), text) << "kept, nothing added";
    }
    EXPECT_TRUE(stored().isEmpty());

    type("newPortField", "+3000");
    button("addPortButton").click();
    type("newPortField", "80");
    settings_test::press(&field("newPortField"), Qt::Key_Return);
    EXPECT_TRUE(field("newPortField").text().isEmpty());
    EXPECT_EQ(stored().ignoredPorts, (std::set<std::int64_t>{80, 3000}));
    EXPECT_EQ(rowTexts(*page, "ignoredPortsSection"), (Strings{":80", ":3000"}));

    // The watched field by the same rules.
    type("newWatchedPortField", "7 0");
    EXPECT_FALSE(button("addWatchedPortButton").isEnabled());
    type("newWatchedPortField", "65536");
    button("addWatchedPortButton").click();
    EXPECT_TRUE(stored().watchedPorts.empty());
    EXPECT_EQ(field("newWatchedPortField").text(), QStringLiteral("65536"));
}

TEST_F(FiltersPage, APortIsNeverIgnoredAndWatchedAtOnce) {
    open();
    button("nodeDebuggerButton").click();
    EXPECT_TRUE(button("nodeDebuggerButton").isHidden());
    // Watching 9229 takes it out of the ignored ports and brings the button back.
    type("newWatchedPortField", "9229");
    button("addWatchedPortButton").click();
    EXPECT_EQ(stored().ignoredPorts, std::set<std::int64_t>{});
    EXPECT_EQ(stored().watchedPorts, std::set<std::int64_t>{9229});
    EXPECT_FALSE(button("nodeDebuggerButton").isHidden());
    // "+ 9229" goes by the rule of a typed port: it leaves the watched ports.
    button("nodeDebuggerButton").click();
    EXPECT_EQ(stored().ignoredPorts, std::set<std::int64_t>{9229});
    EXPECT_EQ(stored().watchedPorts, std::set<std::int64_t>{});
    EXPECT_EQ(rowTexts(*page, "watchedPortsSection"), Strings{});
    // And a typed ignored port that is watched moves.
    type("newWatchedPortField", "3000");
    button("addWatchedPortButton").click();
    type("newPortField", "3000");
    button("addPortButton").click();
    EXPECT_EQ(stored().ignoredPorts, (std::set<std::int64_t>{3000, 9229}));
    EXPECT_TRUE(stored().watchedPorts.empty());
}

TEST_F(FiltersPage, TheAIServiceMenuOffersWhatIsNotWatchedYet) {
    open();
    auto& menu = *named<QPushButton>(*page, "aiServiceMenu");
    QStringList offered;
    for (const QAction* item : menu.menu()->actions()) offered << item->text();
    EXPECT_EQ(offered.join(QLatin1Char('|')), QStringLiteral("Ollama  11434|LM Studio  1234|Jan  1337|GPT4All  4891|"
                                                             "ComfyUI  8188|Gradio apps (SD WebUI, TextGen)  7860"));
    while (!menu.menu()->actions().isEmpty()) menu.menu()->actions()[0]->trigger();
    EXPECT_TRUE(menu.isHidden());
    EXPECT_EQ(stored().watchedPorts, (std::set<std::int64_t>{1234, 1337, 4891, 7860, 8188, 11434}));
    settings_test::removeButton(*page, "watchedPortsSection", ":1337")->click();
    EXPECT_FALSE(menu.isHidden());
    ASSERT_EQ(menu.menu()->actions().size(), 1);
    EXPECT_EQ(menu.menu()->actions()[0]->text(), QStringLiteral("Jan  1337"));
}

TEST_F(FiltersPage, FoldersAreStoredWithoutTrailingSlashesAndShownWithTildeOnlyBelowHome) {
    open();
    choices = {QString::fromStdString(home() + "/code//"), QString::fromStdString(home() + "/code"),
               QString::fromStdString(home() + "bob"), QStringLiteral("/"), std::nullopt};
    for (int i = 0; i < 5; ++i) button("addExcludedFolderButton").click();
    EXPECT_EQ(stored().excludedFolders, (Strings{home() + "/code", home() + "bob"}));
    EXPECT_EQ(rowTexts(*page, "excludedFoldersSection"), (Strings{"~/code", home() + "bob"}));
    settings_test::removeButton(*page, "excludedFoldersSection", "~/code")->click();
    EXPECT_EQ(stored().excludedFolders, Strings{home() + "bob"});

    // "Also watch" refuses what can never match, with the reason; the first test wins.
    const std::pair<std::string, const char*> refused[] = {
        {home() + "/Library/LaunchAgents", "That folder is where background services are configured"},
        {"/Library/WebServer", "Vellumark never watches anything inside a Library folder."},
        {"/opt/.cache/x", "Vellumark skips hidden folders"},
        {home() + "/code", "Folders inside your home folder are watched already"},
    };
    for (const auto& [path, message] : refused) {
        choices = {QString::fromStdString(path)};
        button("addIncludedFolderButton").click();
        const auto boxes = settings_test::openMessageBoxes();
        ASSERT_EQ(boxes.size(), 1u) << path;
        EXPECT_EQ(boxes[0]->text(), QStringLiteral("That folder wouldn’t change anything"));
        EXPECT_TRUE(boxes[0]->informativeText().startsWith(QString::fromUtf8(message))) << path;
        EXPECT_EQ(page->folderRejection(), boxes[0]->informativeText());
        settings_test::closeMessageBoxes();
        EXPECT_FALSE(page->folderRejection());
    }
    choices = {QStringLiteral("/opt/work///"), QStringLiteral("/opt/work")};
    button("addIncludedFolderButton").click();
    button("addIncludedFolderButton").click();
    EXPECT_TRUE(settings_test::openMessageBoxes().empty());
    EXPECT_EQ(stored().includedFolders, Strings{"/opt/work"});
}

TEST_F(FiltersPage, FollowsRulesStoredElsewhereAndTagsFoldersThatCanNeverMatch) {
    FilterRules rules;
    rules.includedFolders = {"/Library/Old", "/srv/app"};
    rules.excludedFolders = {"/Library/Old"};
    rules.save(Platform::UserDefaults::standard());
    open();
    const auto* hint = named<QLabel>(*page, "hiddenServersHint");
    ASSERT_TRUE(hint);
    EXPECT_TRUE(hint->isVisible());
    // The product word, and only it, in the brand face.
    EXPECT_TRUE(hint->text().startsWith(QStringLiteral("Right-click a server in the <span style=\"font-family:'") +
                                        Brand::brandFont(11, QFont::Normal).family()));
    EXPECT_TRUE(hint->text().endsWith(QStringLiteral("\">Vellumark</span> menu and choose “Hide” to add it here.")));

    // Only the included folder the rules refuse is tagged, with its explanation.
    const auto tags =
        named<FormSection>(*page, "includedFoldersSection")->findChildren<QLabel*>(QStringLiteral("noEffectTag"));
    ASSERT_EQ(tags.size(), 1);
    EXPECT_EQ(tags[0]->toolTip().toStdString(), FilterRows::noEffectHelp);
    EXPECT_TRUE(named<FormSection>(*page, "excludedFoldersSection")
                    ->findChildren<QLabel*>(QStringLiteral("noEffectTag"))
                    .isEmpty());

    // A server hidden from the panel meanwhile shows up while the page is open, in text order.
    rules = stored();
    rules.hiddenServers = {"vite:5173", "node:3000"};
    rules.save(Platform::UserDefaults::standard());
    ASSERT_TRUE(app_test::runUntil([&] { return rowTexts(*page, "hiddenServersSection").size() == 2; }));
    EXPECT_EQ(rowTexts(*page, "hiddenServersSection"), (Strings{"node:3000", "vite:5173"}));
    settings_test::removeButton(*page, "hiddenServersSection", "node:3000")->click();
    EXPECT_EQ(stored().hiddenServers, std::set<std::string>{"vite:5173"});
}

// The row's text as drawn, against the whole text drawn in its place with the label's font and pen,
// on the plain background the label shows at its top left corner.
bool drawsWholeText(ElidedLabel& label) {
    const QImage drawn = label.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage whole(drawn.size(), QImage::Format_ARGB32_Premultiplied);
    whole.fill(drawn.pixel(0, 0));
    QPainter painter(&whole);
    painter.setFont(label.font());
    painter.setPen(label.palette().color(QPalette::WindowText));
    painter.drawText(QRect(QPoint(0, 0), drawn.size()), Qt::AlignLeft | Qt::AlignVCenter, label.text());
    painter.end();
    return drawn == whole;
}

ElidedLabel* rowLabel(const QWidget& page, const char* section, const std::string& text) {
    const QAbstractButton* remove = settings_test::removeButton(page, section, text);
    return remove ? remove->parentWidget()->findChild<ElidedLabel*>(QStringLiteral("rowText")) : nullptr;
}

// Keys and paths of every length up to 40 characters, whatever their width in fractions of a pixel,
// are drawn whole where the row has room (a label that asks for a rounded-down width and cuts by
// the exact one drew "node…2001" for "node:22001"); a path too long for the row is cut.
TEST_F(FiltersPage, RowsDrawTheirWholeTextWhenItFitsAndCutOnlyPathsThatDoNot) {
    const std::string command = "python3-django-manage-runserver", port = "2200198765";
    const std::string folder = "/srv/abcdefghijklmnopqrstuvwxyz012345678";
    FilterRules rules;
    for (std::size_t length = 1; length <= 40; ++length) {
        const std::size_t portDigits = std::min<std::size_t>(length / 3 + 1, port.size());
        const std::size_t commandLength = length > portDigits + 1 ? length - portDigits - 1 : 0;
        if (commandLength > 0 && commandLength <= command.size())
            rules.hiddenServers.insert(command.substr(0, commandLength) + ":" + port.substr(0, portDigits));
        if (length > 5) rules.includedFolders.push_back(folder.substr(0, length));
    }
    for (const char* key : {"node:22001", "python3:220"}) rules.hiddenServers.insert(key);
    rules.save(Platform::UserDefaults::standard());
    open();
    QApplication::processEvents();
    ASSERT_GT(rules.hiddenServers.size(), 30u);
    std::vector<std::pair<const char*, std::string>> rows;
    for (const std::string& key : rules.hiddenServers) rows.emplace_back("hiddenServersSection", key);
    for (const std::string& path : rules.includedFolders) rows.emplace_back("includedFoldersSection", path);
    for (const auto& [section, text] : rows) {
        ElidedLabel* label = rowLabel(*page, section, text);
        ASSERT_TRUE(label) << text;
        EXPECT_TRUE(drawsWholeText(*label)) << text << " in " << label->width() << " px";
    }

    // A window too narrow for the longest path: that row is cut, a short one still is not.
    page->resize(300, 900);
    QApplication::processEvents();
    ElidedLabel* longest = rowLabel(*page, "includedFoldersSection", folder);
    ASSERT_TRUE(longest);
    EXPECT_LT(longest->width(), longest->sizeHint().width());
    EXPECT_FALSE(drawsWholeText(*longest));
    EXPECT_TRUE(drawsWholeText(*rowLabel(*page, "includedFoldersSection", "/srv/abcde")));
}

// The menu button's arrow sits beside its title, clear of it and above the baseline its ellipsis
// stands on (a tool button's arrow took the bottom right corner, level with the dots): the title's
// ink is the button against the same one without a title, the arrow's a menu button without a title
// against a plain one.
TEST_F(FiltersPage, TheAIServiceMenuDrawsItsArrowBesideItsTitle) {
    open();
    QApplication::processEvents();
    auto& shown = *named<QPushButton>(*page, "aiServiceMenu");
    const auto picture = [&](const QString& title, bool withMenu) {
        QPushButton button(title);
        QMenu menu;
        if (withMenu) button.setMenu(&menu);
        button.setFont(shown.font());
        button.resize(shown.size());
        return button.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    };
    const QImage drawn = shown.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage untitled = picture(QString(), true), plain = picture(QString(), false);
    ASSERT_EQ(drawn.size(), untitled.size());
    const auto inkBounds = [](const QImage& one, const QImage& other) {
        QRect bounds;
        for (int y = 0; y < one.height(); ++y)
            for (int x = 0; x < one.width(); ++x)
                if (one.pixel(x, y) != other.pixel(x, y)) bounds |= QRect(x, y, 1, 1);
        return bounds;
    };
    const QRect title = inkBounds(drawn, untitled), arrow = inkBounds(untitled, plain);
    ASSERT_FALSE(title.isEmpty());
    ASSERT_FALSE(arrow.isEmpty());
    const auto where = [&] {
        const auto box = [](const QRect& r) {
            return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
        };
        return ("title " + box(title) + ", arrow " + box(arrow)).toStdString();
    };
    EXPECT_GT(arrow.left(), title.right() + 1) << where();
    EXPECT_GE(arrow.top(), title.top()) << where();
    EXPECT_LT(arrow.bottom(), title.bottom()) << where();
    EXPECT_EQ(shown.text(), QStringLiteral("Add an AI service…"));
}

}  // namespace
