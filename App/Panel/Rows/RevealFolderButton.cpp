#include "App/Panel/Rows/RevealFolderButton.h"

#include "App/Panel/Rows/RowActions.h"

RevealFolderButton::RevealFolderButton(const std::string& projectName, const std::string& projectPath, QWidget* parent)
    : IconButton("ph-folder-light", QSizeF(13, 13), QSize(24, 24),
                 {.normal = Tint::secondary(), .hovered = Tint::accent()}, parent) {
    setProject(projectName, projectPath);
    connect(this, &QAbstractButton::clicked, this, [this] { RowActions::revealFolder(path_); });
}

void RevealFolderButton::setProject(const std::string& projectName, const std::string& projectPath) {
    path_ = projectPath;
    if (name_ == projectName && !toolTip().isEmpty()) return;
    name_ = projectName;
    const QString help =
        QStringLiteral("Reveal ") + QString::fromStdString(name_) + QStringLiteral(" in the file manager");
    setHelp(help, help);
}
