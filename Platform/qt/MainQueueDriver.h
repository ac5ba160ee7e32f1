#pragma once
// Runs the main queue on Qt's event loop: tasks queued from any thread run on the GUI thread, delayed
// tasks when they fall due. Install once, on the GUI thread, after the application object exists.
// The driver goes with the application object: from then on queued tasks wait, unrun, for the
// next driver.

class QCoreApplication;

namespace Platform {

void installMainQueueDriver(QCoreApplication& application);

}  // namespace Platform
