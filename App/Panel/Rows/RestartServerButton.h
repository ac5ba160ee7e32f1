#pragma once
// A row's restart button; clicked() asks the row to restart its server. The row shows it only for
// a container or a server with a restart plan. Main thread only.

#include <string>

#include "App/Panel/Controls/IconButton.h"

class RestartServerButton : public IconButton {
    Q_OBJECT
public:
    explicit RestartServerButton(const std::string& command, QWidget* parent = nullptr);

    void setCommand(const std::string& command);

private:
    std::string command_;
};
