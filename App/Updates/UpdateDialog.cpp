#include "App/Updates/UpdateDialog.h"

#include <QMessageBox>
#include <QPushButton>

#include "App/Common/WindowPlacement.h"
#include "Platform/Workspace.h"

QMessageBox* UpdateDialog::present(const UpdateCheckResult& result, PageOpener openPage) {
    if (!openPage) openPage = [](const std::string& url) { Platform::Workspace::openURL(url); };
    auto* box = new QMessageBox;
    box->setObjectName(QString::fromLatin1(objectName));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(QString::fromLatin1(title));
    const QString current = QString::fromStdString(result.currentVersion);
    const QString latest = QString::fromStdString(result.latestVersion);
    switch (result.kind) {
    case UpdateCheckResult::Kind::newerVersion: {
        box->setIcon(QMessageBox::Information);
        box->setText(QStringLiteral("A new version of Vellumark is available!"));
        box->setInformativeText(QStringLiteral("Vellumark %1 is available — you have %2. Its page tells how to get it.")
                                    .arg(latest, current));
        QPushButton* open = box->addButton(QStringLiteral("Open Page"), QMessageBox::AcceptRole);
        box->addButton(QStringLiteral("Later"), QMessageBox::RejectRole);
        box->setDefaultButton(open);
        QObject::connect(open, &QPushButton::clicked, box, [openPage, url = result.url] { openPage(url); });
        break;
    }
    case UpdateCheckResult::Kind::upToDate:
        box->setIcon(QMessageBox::Information);
        box->setText(QStringLiteral("You’re up to date!"));
        box->setInformativeText(QStringLiteral("Vellumark %1 is the newest version available.").arg(current));
        box->addButton(QMessageBox::Ok);
        break;
    case UpdateCheckResult::Kind::failed:
        box->setIcon(QMessageBox::Warning);
        box->setText(QStringLiteral("Vellumark couldn’t check for updates."));
        box->setInformativeText(QString::fromStdString(result.problem));
        box->addButton(QMessageBox::Ok);
        break;
    }
    WindowPlacement::showInFront(*box);
    return box;
}
