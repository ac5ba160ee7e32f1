#pragma once
// Stands in for the program the desktop opens addresses with: set it as the handler of a scheme
// (QDesktopServices::setUrlHandler(scheme, &recorder, "open")) and it records each address handed
// to it. A test program that uses it lists this header among its sources, so that moc sees it.

#include <QList>
#include <QObject>
#include <QUrl>

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};
