#include "App/Settings/GeneralSettingsView.h"

#include "App/Common/ShortcutNames.h"
#include "GlobalShortcuts/RecorderField.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "App/Common/BuildInfo.h"
#include "App/Common/GearMenuItems.h"
#include "App/Settings/ToggleSwitch.h"
#include "App/Updates/AppUpdater.h"
#include "Core/LoginItem/LoginItem.h"
#include "Look/ApplicationIcon.h"
#include "Look/Brand.h"
#include "Shared/Settings/AppGroup.h"

namespace {

constexpr int iconSize = 56;

const char* const acknowledgements[] = {
    "Phosphor Icons — MIT License",
    "JetBrains Mono — SIL Open Font License 1.1",
    "Manrope — SIL Open Font License 1.1",
    "Qt — GNU Lesser General Public License 3.0",
    "nlohmann/json — MIT License",
    "libplist — GNU Lesser General Public License 2.1",
    "xkbcommon — MIT License",
};

}  // namespace

GeneralSettingsView::GeneralSettingsView(AppUpdater& updater, QWidget* parent) : FormPage(parent), updater_(updater) {
    addHeader();
    addLaunchAtLogin();
    addMenuSection();
    addUpdatesSection();
    addShortcutSection();
    addAcknowledgements();
}

QString GeneralSettingsView::versionText(const std::string& version) {
    return QStringLiteral("Version ") + (version.empty() ? QStringLiteral("?") : QString::fromStdString(version));
}

void GeneralSettingsView::addHeader() {
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 4 + 7, 0, 4 + 7);
    row->setSpacing(14);
    row->addWidget(applicationIconView(iconSize), 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(Brand::wordmark(20));
    QLabel* tagline = SettingsText::captionLabel(QStringLiteral("Never wonder what’s running again."));
    tagline->setWordWrap(false);
    texts->addWidget(tagline);
    QLabel* version = SettingsText::captionLabel(versionText(BuildInfo::version()), ThemeColor::muted);
    version->setFont(SettingsText::caption2());
    version->setObjectName(QStringLiteral("versionText"));
    version->setWordWrap(false);
    texts->addWidget(version);
    row->addLayout(texts, 1);
    addSection()->rows()->addWidget(header);
}

void GeneralSettingsView::addLaunchAtLogin() {
    addSection()->addRow(switchRow(QStringLiteral("Launch at Login"), launchAtLogin_));
    connect(launchAtLogin_, &ToggleSwitch::toggled, this, [this](bool wanted) {
        // The state asked for, not a flip of whatever the login item has now: the page may be stale.
        launchAtLogin_->mirror(LoginItem::setEnabled(wanted));
    });
}

void GeneralSettingsView::addMenuSection() {
    FormSection* section = addSection(
        QStringLiteral("Menu"),
        QStringLiteral("Show each server’s process ID as a column, glow the tray icon mint when a new server appears, "
                       "and optionally turn it amber while a server uses ≥25% CPU or ≥1 GB of memory."));
    const struct {
        const char* label;
        ToggleSwitch*& control;
        bool DisplayPrefs::*field;
    } switches[] = {
        {"Show PID column", showPID_, &DisplayPrefs::showPID},
        {"Highlight new servers in the tray", flashNewServers_, &DisplayPrefs::flashNewServers},
        {"Amber icon while something runs hot", energyIcon_, &DisplayPrefs::energyIcon},
    };
    for (const auto& entry : switches) {
        section->addRow(switchRow(QString::fromUtf8(entry.label), entry.control));
        connect(entry.control, &ToggleSwitch::toggled, this,
                [this, field = entry.field](bool on) { saveDisplayField(field, on); });
    }
}

void GeneralSettingsView::saveDisplayField(bool DisplayPrefs::*field, bool value) {
    DisplayPrefs::change(AppGroup::sharedDefaults(), [field, value](DisplayPrefs& prefs) { prefs.*field = value; });
}

void GeneralSettingsView::addUpdatesSection() {
    FormSection* section = addSection(
        QStringLiteral("Updates"),
        QStringLiteral("Vellumark asks the update server once a day whether a newer version exists, and never installs "
                       "anything without asking you first. The check sends your IP address and the app version. No "
                       "system version, no system profile, no account, nothing about your projects."));
    section->addRow(switchRow(QStringLiteral("Check for updates automatically"), autoUpdateChecks_));
    connect(autoUpdateChecks_, &ToggleSwitch::toggled, this,
            [this](bool on) { updater_.setAutomaticallyChecksForUpdates(on); });
}

void GeneralSettingsView::addAcknowledgements() {
    FormSection* section = addSection(QStringLiteral("Acknowledgements"));
    section->addRow(
        SettingsText::captionLabel(QStringLiteral("Vellumark is built on the work of others, with thanks:")));
    auto* list = new QVBoxLayout;
    list->setSpacing(3);
    for (const char* line : acknowledgements) list->addWidget(SettingsText::captionLabel(QString::fromUtf8(line)));
    section->addRow(list);
}

void GeneralSettingsView::addShortcutSection() {
    FormSection* section = addSection(
        QStringLiteral("Shortcut"),
        QStringLiteral("A global keyboard shortcut that opens Vellumark from any app. Click to record a new combo, or "
                       "press ⌫ to clear it. Inside the panel: ↑↓ to select, O to open, R to restart, K to kill."));
    auto* recorder = new GlobalShortcuts::RecorderField(ShortcutNames::togglePopoverName());
    recorder->setMenusToSearch([] { return QList<QMenu*>{&GearMenuItems::keyEquivalentsMenu()}; });
    section->addRow(shortcutRow(recorder));
}

QWidget* GeneralSettingsView::shortcutRow(QWidget* recorder) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(QStringLiteral("Open Vellumark from anywhere:"));
    label->setFont(SettingsText::body());
    label->setBuddy(recorder);
    layout->addWidget(label);
    layout->addStretch(1);
    layout->addWidget(recorder);
    return row;
}

void GeneralSettingsView::refresh() {
    launchAtLogin_->mirror(LoginItem::isEnabled());
    const DisplayPrefs displayPrefs = DisplayPrefs::load(AppGroup::sharedDefaults());
    showPID_->mirror(displayPrefs.showPID);
    flashNewServers_->mirror(displayPrefs.flashNewServers);
    energyIcon_->mirror(displayPrefs.energyIcon);
    autoUpdateChecks_->mirror(updater_.automaticallyChecksForUpdates());
}

void GeneralSettingsView::showEvent(QShowEvent* event) {
    refresh();
    FormPage::showEvent(event);
}
