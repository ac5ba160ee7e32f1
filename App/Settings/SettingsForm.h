#pragma once
// The grouped form of the settings pages in Qt Widgets: a scrolling column of sections, each with an
// optional plain title above, its rows on a rounded card separated by hairlines, and an optional
// footer below in the caption style. Plus the text styles the pages share. Main thread only.

#include <QScrollArea>
#include <QWidget>

#include "Shared/Brand/Palette.h"

class QLabel;
class QLayout;
class QVBoxLayout;

namespace SettingsText {

inline constexpr qreal bodySize = 13;
inline constexpr qreal captionSize = 11;
inline constexpr qreal caption2Size = 10;
inline constexpr qreal monospacedSize = 12;

QFont body();
QFont caption();
QFont caption2();
// The desktop's fixed-pitch face: paths, ports and hidden-server keys, shown verbatim.
QFont monospaced(qreal size = monospacedSize);

// Gives the widget's text the theme colour, resolved for the appearance of the palette around it,
// and again whenever that palette changes.
void setTextColor(QWidget& widget, ThemeColor color);

// A wrapped label in the caption style, in the colour given (secondary unless said otherwise).
QLabel* captionLabel(const QString& text, ThemeColor color = ThemeColor::secondary);

}  // namespace SettingsText

// The card behind a section's rows, with a hairline between rows.
class FormCard : public QWidget {
    Q_OBJECT
public:
    explicit FormCard(QWidget* parent = nullptr);
    QVBoxLayout* rows() const { return rows_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* rows_;
};

class FormSection : public QWidget {
    Q_OBJECT
public:
    // An empty title or footer leaves it out.
    FormSection(const QString& title, const QString& footer, QWidget* parent = nullptr);

    // A row of the card holding the widget, or the layout; returns the row.
    QWidget* addRow(QWidget* content);
    QWidget* addRow(QLayout* content);
    // Where further rows go; the page may keep it to refill a list.
    QVBoxLayout* rows() const { return card_->rows(); }

private:
    FormCard* card_;
};

class FormPage : public QScrollArea {
    Q_OBJECT
public:
    explicit FormPage(QWidget* parent = nullptr);
    FormSection* addSection(const QString& title = {}, const QString& footer = {});

private:
    QVBoxLayout* column_;
};
