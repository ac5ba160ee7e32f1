#pragma once
// The rows of the Filters page's lists: a hidden-server key, a port (":3000"), a folder. Each row
// shows its text verbatim in the fixed-pitch face and ends with a "Remove" button that runs the
// action given. The text is in a child named "rowText", so one can read a list back row by row.
// Main thread only.

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>

class QPushButton;

// One line of text, shortened in the middle ("/home/al…/deep/project") when there is no room.
class ElidedLabel : public QWidget {
    Q_OBJECT
public:
    explicit ElidedLabel(const QString& text, QWidget* parent = nullptr);
    const QString& text() const { return text_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

namespace FilterRows {

using Action = std::function<void()>;

QWidget* textRow(const QString& text, Action remove);

// ":" and the port in decimal.
QWidget* portRow(std::int64_t port, Action remove);

// The path as shown to the user ("~" for the home folder, see abbreviatingHome), in the secondary
// colour and tagged "no effect" (with its explanation as tool tip) when `ineffective`.
QWidget* folderRow(const std::string& path, const std::string& home, bool ineffective, Action remove);

inline constexpr const char* noEffectHelp =
    "Vellumark can never match this folder, because it isn’t a working directory. Safe to remove.";

}  // namespace FilterRows
