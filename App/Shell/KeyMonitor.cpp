#include "App/Shell/KeyMonitor.h"

#include <QCoreApplication>
#include <QEvent>

KeyMonitor::KeyMonitor() {
    if (auto* application = QCoreApplication::instance()) application->installEventFilter(this);
}

KeyMonitor::~KeyMonitor() {
    if (auto* application = QCoreApplication::instance()) application->removeEventFilter(this);
}

bool KeyMonitor::eventFilter(QObject*, QEvent*) {
    // Every key press passes through to the focused control until the panel's keyboard navigation
    // takes the keys it handles.
    return false;
}
