#include "App/Updates/UpdateProgressDialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QStyle>
#include <QVBoxLayout>

#include "App/Common/WindowPlacement.h"
#include "App/Updates/AppUpdater.h"
#include "App/Updates/UpdateDialog.h"

namespace {

QPointer<QDialog>& current() {
    static QPointer<QDialog> dialog;
    return dialog;
}

// Laid out as the answer's message box is: its icon on the left, the text and the bar beside it,
// the button under them on the right.
QDialog* makeDialog(AppUpdater& updater) {
    auto* dialog =
        new QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    dialog->setObjectName(QString::fromLatin1(UpdateProgressDialog::objectName));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QString::fromLatin1(UpdateDialog::title));

    auto* icon = new QLabel(dialog);
    const int iconSize = dialog->style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, dialog);
    icon->setPixmap(
        dialog->style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, dialog).pixmap(iconSize, iconSize));
    auto* text = new QLabel(QStringLiteral("Checking for updates…"), dialog);
    auto* bar = new QProgressBar(dialog);
    bar->setRange(0, 0);  // busy: how long the server takes is unknown
    bar->setTextVisible(false);
    bar->setMinimumWidth(260);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, dialog);

    // The message box's spacing: a gap beside the icon, its second text 7 pixels further down.
    auto* column = new QVBoxLayout;
    column->setSpacing(13);
    column->setContentsMargins(0, 0, 0, 7);
    column->addWidget(text);
    column->addWidget(bar);
    auto* layout = new QGridLayout(dialog);
    layout->addWidget(icon, 0, 0, Qt::AlignTop);
    layout->addItem(new QSpacerItem(7, 1, QSizePolicy::Fixed, QSizePolicy::Minimum), 0, 1);
    layout->addLayout(column, 0, 2);
    layout->addWidget(buttons, 1, 0, 1, 3);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    // Every way of dismissing it ends in rejected; the check's own end accepts it.
    QObject::connect(dialog, &QDialog::rejected, &updater, &AppUpdater::cancelCheck);
    // Gone for the next check at once, though deleted only later.
    QObject::connect(dialog, &QDialog::finished, dialog, [] { current() = nullptr; });
    dialog->adjustSize();
    return dialog;
}

}  // namespace

void UpdateProgressDialog::follow(AppUpdater& updater) {
    QObject::connect(&updater, &AppUpdater::userCheckRunning, &updater, [&updater] {
        if (!current()) {
            current() = makeDialog(updater);
            WindowPlacement::centerOnActiveScreen(*current());
        }
        WindowPlacement::showInFront(*current());
    });
    QObject::connect(&updater, &AppUpdater::userCheckEnded, &updater, [] {
        // Not while it is being dismissed: the check ends within its cancel.
        if (current() && current()->isVisible()) current()->accept();
    });
}
