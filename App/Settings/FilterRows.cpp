#include "App/Settings/FilterRows.h"

#include <cmath>

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "App/Settings/SettingsForm.h"
#include "Shared/PathPrefix.h"

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent) : QWidget(parent), text_(text) {
    setObjectName(QStringLiteral("rowText"));
    setAccessibleName(text);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

// Measured and cut by the same exact advances: a width rounded to the nearest pixel can fall short
// of the text by a fraction, and the text would be cut though it fits.
QSize ElidedLabel::sizeHint() const {
    return {int(std::ceil(QFontMetricsF(font(), this).horizontalAdvance(text_))), fontMetrics().height()};
}

QSize ElidedLabel::minimumSizeHint() const { return {fontMetrics().averageCharWidth() * 8, fontMetrics().height()}; }

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetricsF(font(), this).elidedText(text_, Qt::ElideMiddle, width()));
}

namespace {

QHBoxLayout* rowWith(QWidget* text, FilterRows::Action remove, QWidget*& row) {
    row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text);
    layout->addStretch(1);
    auto* button = new QPushButton(QStringLiteral("Remove"));
    QObject::connect(button, &QPushButton::clicked, button, [remove = std::move(remove)] { remove(); });
    layout->addWidget(button);
    return layout;
}

}  // namespace

namespace FilterRows {

QWidget* textRow(const QString& text, Action remove) {
    auto* label = new ElidedLabel(text);
    label->setFont(SettingsText::monospaced());
    QWidget* row = nullptr;
    rowWith(label, std::move(remove), row);
    return row;
}

QWidget* portRow(std::int64_t port, Action remove) {
    return textRow(QStringLiteral(":%1").arg(port), std::move(remove));
}

QWidget* folderRow(const std::string& path, const std::string& home, bool ineffective, Action remove) {
    auto* label = new ElidedLabel(QString::fromStdString(abbreviatingHome(path, home)));
    label->setFont(SettingsText::monospaced());
    SettingsText::setTextColor(*label, ineffective ? ThemeColor::secondary : ThemeColor::ink);
    QWidget* row = nullptr;
    QHBoxLayout* layout = rowWith(label, std::move(remove), row);
    if (ineffective) {
        auto* tag = new QLabel(QStringLiteral("no effect"));
        tag->setObjectName(QStringLiteral("noEffectTag"));
        tag->setFont(SettingsText::caption());
        SettingsText::setTextColor(*tag, ThemeColor::amber);
        tag->setToolTip(QString::fromUtf8(noEffectHelp));
        layout->insertWidget(1, tag);
    }
    return row;
}

}  // namespace FilterRows
