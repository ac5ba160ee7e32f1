#pragma once
// What the list shows when a search matches nothing: the magnifying glass, the search that failed,
// what the search looks at, and "Clear search". Main thread only.

#include <QWidget>

class TextButton;
class TextView;

class NoResultsState : public QWidget {
    Q_OBJECT
public:
    explicit NoResultsState(QWidget* parent = nullptr);

    void setTitle(const QString& title);
    TextView* title() const { return title_; }
    TextButton* clearButton() const { return clear_; }

signals:
    void clearClicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TextView* title_;
    TextButton* clear_;
};
