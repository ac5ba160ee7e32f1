#pragma once
// A row's reveal button: shows the project's folder selected in the file manager. The row shows it
// only for a folder that exists. Main thread only.

#include <string>

#include "App/Panel/Controls/IconButton.h"

class RevealFolderButton : public IconButton {
    Q_OBJECT
public:
    RevealFolderButton(const std::string& projectName, const std::string& projectPath, QWidget* parent = nullptr);

    void setProject(const std::string& projectName, const std::string& projectPath);

private:
    std::string name_;
    std::string path_;
};
