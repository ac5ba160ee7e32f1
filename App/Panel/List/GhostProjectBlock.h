#pragma once
// A restart whose project no longer appears in the scans: the project's name and folder over the
// ghost row, below a hairline, after every section of the grouped list. Kept by the restart's id and
// refilled in place. Main thread only.

#include <string>

#include <QWidget>

#include "Core/Restart/RestartEntry.h"

class GhostRow;
class TextView;

class GhostProjectBlock : public QWidget {
    Q_OBJECT
public:
    explicit GhostProjectBlock(const RestartEntry& entry, const std::string& home, QWidget* parent = nullptr);

    void setEntry(const RestartEntry& entry, const std::string& home);
    GhostRow* ghostRow() const { return row_; }
    TextView* nameView() const { return name_; }
    TextView* pathView() const { return path_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TextView* name_;
    TextView* path_;
    GhostRow* row_;
};
