#include "App/Settings/FilterSettingsView.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "App/Settings/FilterRows.h"
#include "Core/Settings/FilterEdits.h"
#include "Look/BrandWord.h"
#include "Platform/UserPaths.h"

namespace {

constexpr int portFieldWidth = 80;

std::string homeFolder() { return Platform::homeDirectory().string(); }

// Replaces every row of the section but `keep` (its add row, which stays last) by `rows`.
void refillRows(FormSection* section, QWidget* keep, const std::vector<QWidget*>& rows) {
    QVBoxLayout* layout = section->rows();
    for (int i = layout->count() - 1; i >= 0; --i) {
        QWidget* row = layout->itemAt(i)->widget();
        if (!row || row == keep) continue;
        layout->removeWidget(row);
        // Later: the row's own "Remove" may be the button that got us here.
        row->hide();
        row->deleteLater();
    }
    for (int i = 0; i < int(rows.size()); ++i) {
        QWidget* row = rows[std::size_t(i)];
        if (row->layout()) row->layout()->setContentsMargins(0, 5, 0, 5);
        else row->setContentsMargins(0, 7, 0, 7);
        layout->insertWidget(i, row);
    }
    section->update();
}

QLineEdit* portField() {
    auto* field = new QLineEdit;
    field->setPlaceholderText(QStringLiteral("Port"));
    field->setFixedWidth(portFieldWidth);
    return field;
}

bool holdsNumber(const QLineEdit* field) { return FilterEdits::portNumber(field->text().toStdString()).has_value(); }

}  // namespace

std::optional<QString> FilterSettingsView::chooseFolderWithDialog(QWidget* parent) {
    const QString folder = QFileDialog::getExistingDirectory(
        parent, QStringLiteral("Choose a Folder"), QString::fromStdString(homeFolder()), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) return std::nullopt;
    return folder;
}

FilterSettingsView::FilterSettingsView(FolderChooser chooser, QWidget* parent)
    : FormPage(parent), chooser_(std::move(chooser)), rules_(FilterRules::load(Platform::UserDefaults::standard())) {
    buildHiddenServers();
    buildIgnoredPorts();
    buildWatchedPorts();
    buildFolders();
    refill();

    // Observers hear the writing thread; the page reloads on its own, once it is back on the main loop.
    // Other settings share the domain: only a write of the rules concerns the page.
    QPointer<FilterSettingsView> page(this);
    observation_ = Platform::UserDefaults::standard().addObserver([page](const std::string& key) {
        if (key != FilterRules::key) return;
        if (QCoreApplication* application = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(
                application,
                [page] {
                    if (page) page->reload();
                },
                Qt::QueuedConnection);
        }
    });
}

FilterSettingsView::~FilterSettingsView() { Platform::UserDefaults::standard().removeObserver(observation_); }

void FilterSettingsView::buildHiddenServers() {
    hiddenServers_ = addSection(QStringLiteral("Hidden servers"));
    hiddenServers_->setObjectName(QStringLiteral("hiddenServersSection"));
}

QWidget* FilterSettingsView::addPortControls(FormSection* section, const char* fieldName, const char* buttonName,
                                             QLineEdit*& field, QWidget* extra, void (FilterSettingsView::*add)()) {
    // The field, its "Add" (enabled while the field holds a number) and one more control.
    field = portField();
    field->setObjectName(QString::fromLatin1(fieldName));
    auto* button = new QPushButton(QStringLiteral("Add"));
    button->setObjectName(QString::fromLatin1(buttonName));
    button->setEnabled(false);
    auto* controls = new QHBoxLayout;
    for (QWidget* control : {static_cast<QWidget*>(field), static_cast<QWidget*>(button), extra})
        controls->addWidget(control, 0, Qt::AlignVCenter);
    controls->addStretch(1);
    QLineEdit* typed = field;
    connect(field, &QLineEdit::textChanged, button, [typed, button] { button->setEnabled(holdsNumber(typed)); });
    connect(field, &QLineEdit::returnPressed, this, add);
    connect(button, &QPushButton::clicked, this, add);
    return section->addRow(controls);
}

void FilterSettingsView::buildIgnoredPorts() {
    ignoredPorts_ = addSection(QStringLiteral("Ignored ports"),
                               QStringLiteral("Servers listening only on ignored ports are hidden everywhere."));
    ignoredPorts_->setObjectName(QStringLiteral("ignoredPortsSection"));
    nodeDebuggerButton_ = new QPushButton(QStringLiteral("+ 9229 (node debugger)"));
    nodeDebuggerButton_->setObjectName(QStringLiteral("nodeDebuggerButton"));
    ignoredAddRow_ = addPortControls(ignoredPorts_, "newPortField", "addPortButton", newPortField_, nodeDebuggerButton_,
                                     &FilterSettingsView::addPort);
    // The node debugger's port goes by the same rule as a typed one; only the field is left alone.
    connect(nodeDebuggerButton_, &QPushButton::clicked, this, [this] {
        change([](FilterRules& rules) { return FilterEdits::ignore(rules, FilterEdits::nodeDebuggerPort); });
    });
}

void FilterSettingsView::buildWatchedPorts() {
    watchedPorts_ = addSection(
        QStringLiteral("Always watch these ports"),
        QStringLiteral("Shown even without a project folder. Use it for background services started by the system at "
                       "login, whose working directory Vellumark can’t match to a project. These are grouped on their "
                       "own and can’t be restarted from Vellumark; a service the system keeps alive will come back "
                       "after being stopped."));
    watchedPorts_->setObjectName(QStringLiteral("watchedPortsSection"));
    // A push button with a menu keeps room for its arrow beside the title; a tool button's arrow
    // would sit over the title's end.
    aiServiceMenu_ = new QPushButton(QStringLiteral("Add an AI service…"));
    aiServiceMenu_->setObjectName(QStringLiteral("aiServiceMenu"));
    aiServiceMenu_->setMenu(new QMenu(aiServiceMenu_));
    watchedAddRow_ = addPortControls(watchedPorts_, "newWatchedPortField", "addWatchedPortButton", newWatchedPortField_,
                                     aiServiceMenu_, &FilterSettingsView::addWatchedPort);
}

void FilterSettingsView::buildFolders() {
    // A folder list: its rows, then a row with its "Add Folder…" button.
    const auto folderSection = [this](const QString& title, const QString& footer, const char* name,
                                      const char* buttonName, void (FilterSettingsView::*add)(), QWidget*& addRow) {
        FormSection* section = addSection(title, footer);
        section->setObjectName(QString::fromLatin1(name));
        auto* button = new QPushButton(QStringLiteral("Add Folder…"));
        button->setObjectName(QString::fromLatin1(buttonName));
        auto* controls = new QHBoxLayout;
        controls->addWidget(button);
        controls->addStretch(1);
        addRow = section->addRow(controls);
        connect(button, &QPushButton::clicked, this, add);
        return section;
    };
    excludedFolders_ =
        folderSection(QStringLiteral("Don’t watch (folders under home)"), {}, "excludedFoldersSection",
                      "addExcludedFolderButton", &FilterSettingsView::addExcludedFolder, excludedAddRow_);
    includedFolders_ = folderSection(
        QStringLiteral("Also watch (folders outside home)"),
        QStringLiteral("For projects kept outside your home folder, such as /opt or /srv."), "includedFoldersSection",
        "addIncludedFolderButton", &FilterSettingsView::addIncludedFolder, includedAddRow_);
}

void FilterSettingsView::change(const std::function<bool(FilterRules&)>& edit) {
    if (!edit(rules_)) return;
    rules_.save(Platform::UserDefaults::standard());
    refill();
}

void FilterSettingsView::reload() {
    FilterRules stored = FilterRules::load(Platform::UserDefaults::standard());
    if (stored == rules_) return;
    rules_ = std::move(stored);
    refill();
}

void FilterSettingsView::addPort() {
    const auto number = FilterEdits::portNumber(newPortField_->text().toStdString());
    if (!number || !FilterEdits::isPort(*number)) return;
    change([&](FilterRules& rules) { return FilterEdits::ignore(rules, *number); });
    newPortField_->clear();
}

void FilterSettingsView::addWatchedPort() {
    const auto number = FilterEdits::portNumber(newWatchedPortField_->text().toStdString());
    if (!number || !FilterEdits::isPort(*number)) return;
    watch(int(*number));
    newWatchedPortField_->clear();
}

void FilterSettingsView::watch(int port) {
    change([port](FilterRules& rules) { return FilterEdits::watch(rules, port); });
}

void FilterSettingsView::pickFolder(const std::function<void(const std::string&)>& completion) {
    const std::optional<QString> chosen = chooser_(window());
    if (!chosen) return;
    if (const auto path = FilterEdits::chosenFolder(chosen->toStdString())) completion(*path);
}

void FilterSettingsView::addExcludedFolder() {
    pickFolder([this](const std::string& path) {
        change([&](FilterRules& rules) { return FilterEdits::appendFolder(rules.excludedFolders, path); });
    });
}

void FilterSettingsView::addIncludedFolder() {
    pickFolder([this](const std::string& path) {
        if (const auto reason = FilterRules::includeRejection(path, homeFolder())) {
            const std::string_view message = FilterEdits::rejectionMessage(*reason);
            rejectFolder(QString::fromUtf8(message.data(), qsizetype(message.size())));
            return;
        }
        change([&](FilterRules& rules) { return FilterEdits::appendFolder(rules.includedFolders, path); });
    });
}

void FilterSettingsView::rejectFolder(const QString& message) {
    folderRejection_ = message;
    auto* alert = new QMessageBox(window());
    alert->setObjectName(QStringLiteral("folderRejectionAlert"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setIcon(QMessageBox::Warning);
    alert->setWindowTitle(QStringLiteral("Settings"));
    alert->setText(
        QString::fromUtf8(FilterEdits::rejectionTitle.data(), qsizetype(FilterEdits::rejectionTitle.size())));
    alert->setInformativeText(message);
    alert->setStandardButtons(QMessageBox::Ok);
    alert->setEscapeButton(QMessageBox::Ok);
    QPointer<FilterSettingsView> page(this);
    connect(alert, &QMessageBox::finished, this, [page] {
        if (page) page->folderRejection_.reset();
    });
    alert->open();
}

void FilterSettingsView::refill() {
    std::vector<QWidget*> rows;
    if (rules_.hiddenServers.empty()) {
        auto* hint = new QLabel(BrandWord::richText(
            QStringLiteral("Right-click a server in the Vellumark menu and choose “Hide” to add it here."),
            SettingsText::captionSize));
        hint->setObjectName(QStringLiteral("hiddenServersHint"));
        hint->setTextFormat(Qt::RichText);
        hint->setFont(SettingsText::caption());
        hint->setWordWrap(true);
        SettingsText::setTextColor(*hint, ThemeColor::secondary);
        rows.push_back(hint);
    }
    for (const std::string& key : rules_.hiddenServers) {
        rows.push_back(FilterRows::textRow(QString::fromStdString(key), [this, key] {
            change([&](FilterRules& rules) { return rules.hiddenServers.erase(key) > 0; });
        }));
    }
    refillRows(hiddenServers_, nullptr, rows);

    rows.clear();
    for (const std::int64_t port : rules_.ignoredPorts) {
        rows.push_back(FilterRows::portRow(
            port, [this, port] { change([&](FilterRules& rules) { return rules.ignoredPorts.erase(port) > 0; }); }));
    }
    refillRows(ignoredPorts_, ignoredAddRow_, rows);

    rows.clear();
    for (const std::int64_t port : rules_.watchedPorts) {
        rows.push_back(FilterRows::portRow(
            port, [this, port] { change([&](FilterRules& rules) { return rules.watchedPorts.erase(port) > 0; }); }));
    }
    refillRows(watchedPorts_, watchedAddRow_, rows);

    const std::string home = homeFolder();
    rows.clear();
    for (const std::string& path : rules_.excludedFolders) {
        rows.push_back(FilterRows::folderRow(path, home, false, [this, path] {
            change([&](FilterRules& rules) {
                FilterEdits::removeFolder(rules.excludedFolders, path);
                return true;
            });
        }));
    }
    refillRows(excludedFolders_, excludedAddRow_, rows);

    rows.clear();
    for (const std::string& path : rules_.includedFolders) {
        const bool ineffective = FilterRules::includeRejection(path, home).has_value();
        rows.push_back(FilterRows::folderRow(path, home, ineffective, [this, path] {
            change([&](FilterRules& rules) {
                FilterEdits::removeFolder(rules.includedFolders, path);
                return true;
            });
        }));
    }
    refillRows(includedFolders_, includedAddRow_, rows);

    refillPortControls();
}

void FilterSettingsView::refillPortControls() {
    nodeDebuggerButton_->setVisible(!rules_.ignoredPorts.contains(FilterEdits::nodeDebuggerPort));

    QMenu* menu = aiServiceMenu_->menu();
    menu->clear();
    const auto services = FilterEdits::unwatchedServices(rules_);
    for (const FilterRules::KnownService& service : services) {
        const QString label = QString::fromUtf8(service.name.data(), qsizetype(service.name.size())) +
                              QStringLiteral("  %1").arg(service.port);
        menu->addAction(label, this, [this, port = service.port] { watch(port); });
    }
    aiServiceMenu_->setVisible(!services.empty());
}
