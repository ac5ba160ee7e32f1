#pragma once
// One line of the panel's server list: one listening port of one server. It shows the port (a
// button that opens the address), the project name in the flat list, the command, the marks (new,
// container, process id, restarted), and on the right the metrics; while the pointer is over it the
// four action buttons instead; while its stop is armed the inline confirmation; while a stop or
// restart is under way a progress note. Its context menu copies the address or hides the server.
//
// The row never reaches for the panel's model. Its data flows in as Inputs; what it asks of the
// panel goes out through Actions. It is kept by identity ("<pid>:<port>") across the list's reloads.
// The trackers, the keyboard selection and the armed row come in as one RowTrackerState that the
// owner reads once and hands to every row; rows do not subscribe to the trackers themselves.
//  - The constructor and setInputs take the reload's reading with the inputs; setInputs refills in
//    place only what changed, and hover, focus and child widgets stay.
//  - refresh(trackers) takes a new reading: the owner calls it when a tracker publishes, the
//    selection changes or the armed row changes; refresh() reads them itself.
// The row itself arms its confirmation, closes a confirmation armed on another row when the pointer
// enters it (both through Actions), copies to the clipboard and reveals its folder.
// Main thread only.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include <QWidget>

#include "App/Panel/Rows/RowActions.h"
#include "App/Panel/Rows/ServerRowState.h"
#include "Core/PanelModel/PanelModel.h"
#include "Shared/DevProject.h"
#include "Shared/DevServer.h"

class CapsuleLabel;
class CopyURLButton;
class KillArmButton;
class KillConfirmCluster;
class QMenu;
class RestartedPill;
class RestartServerButton;
class RevealFolderButton;
class RowMetricsView;
class RowProgress;
class RowStackLayout;
class TextButton;
class TextView;

class ServerRowView : public QWidget {
    Q_OBJECT
public:
    static constexpr int rowHeight = 30;  // 24 and 3 above and below

    struct Inputs {
        DevServer server;
        int port = 0;              // one of server.ports
        DevProject project;        // only its name and path matter: the list passes it without servers
        bool showProject = false;  // the flat list shows the project name in the row
        bool dimmed = false;       // the project's stop-all confirmation is open
        bool inConflict = false;   // another server listens on the port too
        bool showPID = true;
        bool energyHigh = false;
        bool isNew = false;
    };

    struct Actions {
        std::function<std::optional<std::string>()> killArmedRowID;
        std::function<void(std::optional<std::string>)> setKillArmedRowID;
        // The panel's stop request, with signal 15 or 9 (the one-time warning comes first when due).
        std::function<void(const DevServer&, std::int32_t signal)> killServer;
        std::function<void(int port, std::int32_t pgid)> openLocalhost;
        // Containers through Docker, other servers through the restarter.
        std::function<void(const DevServer&, const DevProject&)> restartServer;
        // The hide rule is the panel model's (PanelModel::hideServer).
        std::function<void(const DevServer&)> hideServer;
    };

    // Shown only for a server that the system keeps alive.
    static const QString& keptAliveReason();

    ServerRowView(const Inputs& inputs, Actions actions, const RowTrackerState& trackers, QWidget* parent = nullptr);

    void setInputs(const Inputs& inputs, const RowTrackerState& trackers);
    void refresh();
    void refresh(const RowTrackerState& trackers);

    const Inputs& inputs() const { return inputs_; }
    const std::string& rowID() const { return rowID_; }
    const ServerRowState& state() const { return state_; }
    bool isHovered() const { return hovered_; }
    RowTrailing trailing() const { return state_.trailing(hovered_); }
    double contentOpacity() const { return state_.contentOpacity(inputs_.dimmed); }
    // The row's background and outline as drawn now (transparent when none).
    QColor backgroundColor() const;
    QColor outlineColor() const;

    // A new menu with the two entries of the row's context menu; the caller owns it.
    QMenu* makeContextMenu(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void fill(const Inputs& inputs);
    void applyState();
    // Whether the folder exists and the server can be restarted: a look at the disk and at the
    // user's shell, so taken only when the action buttons show, at most once per fill.
    struct ActionAvailability {
        bool reveal = false;
        bool restart = false;
    };
    const ActionAvailability& actionAvailability();
    void showTrailing(RowTrailing trailing);
    void setArmedRow(std::optional<std::string> id);
    std::optional<std::string> armedRowID() const;
    void setContentOpacity(double opacity);
    template <typename Part>
    Part* addTrailing(Part* part, const char* name);
    QWidget* actionBar();
    KillConfirmCluster* confirmation();
    RowProgress* progress();

    Inputs inputs_;
    Actions actions_;
    std::string rowID_;
    ServerRowState state_;
    bool hovered_ = false;
    std::pair<QRgb, QRgb> paintedBackground_{0, 0};   // fill and outline last drawn
    std::optional<ActionAvailability> availability_;  // none since the last fill

    QWidget* content_;
    RowStackLayout* layout_;
    TextButton* port_;
    TextView* project_;
    TextView* command_;
    CapsuleLabel* newMark_;
    CapsuleLabel* containerMark_;
    TextView* pid_;
    RestartedPill* pill_ = nullptr;
    RowMetricsView* metrics_;
    // Made when first needed: most rows never show them.
    QWidget* actionBar_ = nullptr;
    CopyURLButton* copy_ = nullptr;
    RevealFolderButton* reveal_ = nullptr;
    RestartServerButton* restart_ = nullptr;
    KillArmButton* arm_ = nullptr;
    KillConfirmCluster* confirmation_ = nullptr;
    RowProgress* progress_ = nullptr;
};
