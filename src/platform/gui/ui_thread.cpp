// Threads: any thread may call these; the work itself always runs on the thread of
// QCoreApplication (the UI thread). Posted work travels as queued calls to the application
// object, so work posted from one thread runs in the order it was posted.
#include "platform/gui/ui_thread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace veldo {

bool OnUiThread() {
    auto* app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}

void PostToUiThread(std::function<void()> work) {
    if (OnUiThread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work), Qt::QueuedConnection);
}

void RunOnUiThreadAndWait(const std::function<void()>& work) {
    if (OnUiThread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&work] { work(); }, Qt::BlockingQueuedConnection);
}

} // namespace veldo
