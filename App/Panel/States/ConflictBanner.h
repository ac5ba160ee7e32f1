#pragma once
// The red line over the list when two servers claim one port: "Port :3000 used by web + api", with
// "  +<n> more" when other ports are claimed twice too; one line, cut short at its end. Main thread
// only.

#include <QWidget>

class ConflictBanner : public QWidget {
    Q_OBJECT
public:
    explicit ConflictBanner(QWidget* parent = nullptr);

    // The lowest conflicting port and the tail of the line (PanelText::conflictNames).
    void setConflict(int port, const QString& names);
    // The whole line as written, before any cutting short.
    QString text() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int port_ = 0;
    QString names_;
};
