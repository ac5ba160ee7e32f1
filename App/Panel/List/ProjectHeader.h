#pragma once
// The header of a project's section in the grouped list: the project's name with its "Stop all"
// button and, under it, the folder ("~/…", or "Background service"). Once "Stop all" is pressed it
// turns into the inline confirmation "Stop all <n> servers in <name>?" with "Stop all" and
// "Cancel" (Escape cancels too: the panel takes that key). Drawn on the card's colour with a hairline along its top, so
// rows scrolling under it while it is pinned are hidden.
//
// The project it gets is the one shown: during a search, only its matching servers, so the count,
// the disabled reason and what "Stop all" stops are theirs. It only reports; the owner arms,
// stops and cancels. Main thread only.

#include <functional>
#include <string>

#include <QWidget>

#include "Shared/DevProject.h"

class StopAllButton;
class TextButton;
class TextView;

class ProjectHeader : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void(const std::string& projectPath)> arm;  // "Stop all" pressed
        std::function<void(const DevProject&)> stopAll;           // confirmed
        std::function<void()> disarm;                             // cancelled, or done
    };

    // Shown while every server of the project is kept alive by the system.
    static const QString& keptAliveReason();

    explicit ProjectHeader(Actions actions, QWidget* parent = nullptr);

    // `armed`: the confirmation shows instead of the name and path.
    void setProject(const DevProject& project, bool armed, const std::string& home);

    const DevProject& project() const { return project_; }
    bool isArmed() const { return armed_; }
    TextView* nameView() const { return name_; }
    TextView* pathView() const { return path_; }
    StopAllButton* stopAllButton() const { return stopAll_; }
    QWidget* confirmationBar() const { return bar_; }
    TextView* question() const { return question_; }
    TextButton* confirmButton() const { return confirm_; }
    TextButton* cancelButton() const { return cancel_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Actions actions_;
    DevProject project_;
    bool armed_ = false;
    QWidget* title_;
    TextView* name_;
    StopAllButton* stopAll_;
    TextView* path_;
    QWidget* bar_;
    TextView* question_;
    TextButton* confirm_;
    TextButton* cancel_;
};
