#pragma once
// The panel's list: a scroll area whose content is the grouped list (a section per project, its
// header pinned while the section scrolls under it, one row per listening port, the project's ghost
// rows, then the blocks of restarts whose project is gone) or the flat list (rows, then every ghost
// row). It grows with its content up to the height the screen allows, then scrolls.
//
// Widgets are kept by identity across reloads: a row by "<pid>:<port>", a header by project path, a
// ghost by restart id. A reload refills the kept ones in place, makes the new ones and deletes the
// ones that went; nothing else is rebuilt, so hover, focus and open confirmations survive the
// 2-second reloads. Main thread only.

#include <map>
#include <string>

#include <QScrollArea>

class GhostProjectBlock;
class GhostRow;
class ListCanvas;
class PanelModel;
class ProjectHeader;
class ServerRowView;
struct RowTrackerState;

class ServerList : public QScrollArea {
    Q_OBJECT
public:
    explicit ServerList(PanelModel& model, QWidget* parent = nullptr);

    // Rebuilds the list from the model's derivation (rows, headers, ghosts, their order); the rows
    // take one reading of the trackers, the selection and the armed row with their inputs.
    void reload();
    // The rows read the trackers, the selection and the armed row again.
    void refreshRows();
    void refreshRows(const RowTrackerState& trackers);
    // Scrolls so that the row is in view.
    void reveal(const std::string& rowID);

    // The greatest height, from the screen the list is on (or the primary screen).
    int maximumListHeight() const;

    ServerRowView* row(const std::string& rowID) const;
    ProjectHeader* header(const std::string& projectPath) const;
    GhostRow* ghost(const std::string& restartID) const;
    GhostProjectBlock* ghostBlock(const std::string& restartID) const;
    ListCanvas* canvas() const { return canvas_; }
    std::size_t rowCount() const { return rows_.size(); }

protected:
    // The screen it opens on may allow another height.
    void showEvent(QShowEvent* event) override;

private:
    void fitHeight();

    PanelModel& model_;
    ListCanvas* canvas_;
    std::map<std::string, ServerRowView*> rows_;
    std::map<std::string, ProjectHeader*> headers_;
    std::map<std::string, GhostRow*> ghosts_;
    std::map<std::string, GhostProjectBlock*> ghostBlocks_;
};
