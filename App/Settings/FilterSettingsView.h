#pragma once
// The Filters page of the settings: the editor of the scan's FilterRules. Hidden servers, ignored
// ports, always-watched ports, folders under home not to watch and folders outside home to watch
// as well. Every change is saved at once to the standard defaults, where the next scan reads it.
//
// - A port field enables its "Add" exactly when it holds a number (FilterEdits::portNumber);
//   adding a number that is no port changes nothing and keeps the text; a successful add empties
//   the field. Ports move between the ignored and the watched set (FilterEdits), "+ 9229" too.
// - Folders come from the folder chooser (a directory dialog unless replaced); one refused for
//   "Also watch" opens an alert saying why, and adds nothing.
// - The page follows the stored rules: any change to the standard defaults made in this process
//   (a server hidden from the panel, say) reloads them, so the lists are current while it is open.
//
// Main thread only.

#include <QString>

#include <functional>
#include <optional>

#include "App/Settings/SettingsForm.h"
#include "Platform/UserDefaults.h"
#include "Shared/Settings/FilterRules.h"

class QLineEdit;
class QMessageBox;
class QPushButton;

class FilterSettingsView : public FormPage {
    Q_OBJECT
public:
    // Lets the user choose one folder; its path, or none when the user chose nothing.
    using FolderChooser = std::function<std::optional<QString>(QWidget* parent)>;
    static std::optional<QString> chooseFolderWithDialog(QWidget* parent);

    explicit FilterSettingsView(FolderChooser chooser = chooseFolderWithDialog, QWidget* parent = nullptr);
    ~FilterSettingsView() override;

    const FilterRules& rules() const { return rules_; }

    void addPort();
    void addWatchedPort();
    void watch(int port);
    void addExcludedFolder();
    void addIncludedFolder();
    // The message of the folder just refused for "Also watch", while its alert is open.
    const std::optional<QString>& folderRejection() const { return folderRejection_; }

private:
    void buildHiddenServers();
    void buildIgnoredPorts();
    void buildWatchedPorts();
    void buildFolders();
    QWidget* addPortControls(FormSection* section, const char* fieldName, const char* buttonName, QLineEdit*& field,
                             QWidget* extra, void (FilterSettingsView::*add)());
    void change(const std::function<bool(FilterRules&)>& edit);
    void reload();
    void refill();
    void refillPortControls();
    void pickFolder(const std::function<void(const std::string&)>& completion);
    void rejectFolder(const QString& message);

    FolderChooser chooser_;
    FilterRules rules_;
    std::optional<QString> folderRejection_;
    Platform::UserDefaults::ObserverToken observation_ = 0;

    FormSection* hiddenServers_ = nullptr;
    FormSection* ignoredPorts_ = nullptr;
    FormSection* watchedPorts_ = nullptr;
    FormSection* excludedFolders_ = nullptr;
    FormSection* includedFolders_ = nullptr;
    QWidget* ignoredAddRow_ = nullptr;
    QWidget* watchedAddRow_ = nullptr;
    QWidget* excludedAddRow_ = nullptr;
    QWidget* includedAddRow_ = nullptr;
    QLineEdit* newPortField_ = nullptr;
    QPushButton* nodeDebuggerButton_ = nullptr;
    QLineEdit* newWatchedPortField_ = nullptr;
    QPushButton* aiServiceMenu_ = nullptr;
};
