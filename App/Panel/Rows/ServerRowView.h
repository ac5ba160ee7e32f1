#pragma once
// One line of the panel's server list: one listening port of one server. It shows the port (a
// button that opens the address), the project name in the flat list, the command, the marks (new,
// container, process id, restarted), and on the right the metrics; while the pointer is over it the
// four action buttons instead; while its stop is armed the inline confirmation; while a stop or
// restart is under way a progress note. Its context menu copies the address or hides the server.
//
// The row never reaches for the panel's model. Its data flows in as Inputs; what it asks of the
// panel goes out through Actions. It is kept by identity ("<pid>:<port>") across the list's reloads:
//  - setInputs refills in place only what changed; hover, focus and child widgets stay.
//  - refresh re-reads the trackers, the keyboard selection and the armed row. The owner calls it
//    when a tracker publishes, the selection changes or the armed row changes; rows do not
//    subscribe to the trackers themselves. refresh(trackers) takes one reading shared by all rows.
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
#include "App/PanelModel/PanelModel.h"
#include "App/Panel/Rows/ServerRowState.h"
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
        int port = 0;            // one of server.ports
        DevProject project;      // only its name and path are kept: the row drops its servers
        bool showProject = false;  // the flat list shows the project name in the row
        bool dimmed = false;       // the project's stop-all confirmation is open
        bool inConflict = false;   // another server listens on the port too
        bool showPID = true;
        bool energyHigh = false;
        bool isNew = false;
        double hotCPU = PanelModel::hotCPU;  // a CPU share at or above it is drawn red

        bool isHot(double cpu) const { return cpu >= hotCPU; }
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

    ServerRowView(const Inputs& inputs, Actions actions, QWidget* parent = nullptr);

    void setInputs(const Inputs& inputs);
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
    std::pair<QRgb, QRgb> paintedBackground_{0, 0};  // fill and outline last drawn

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
