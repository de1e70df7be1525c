// Threads: any thread may call these; the work itself always runs on the thread of
// QCoreApplication (the UI thread). Work from other threads goes into one FIFO queue guarded
// by a std::mutex; a write to an eventfd wakes the UI thread (a socket notifier made when the
// application object is constructed), which drains the queue: work posted from one thread
// runs in the order it was posted. Waiting callers sleep on a condition variable until the UI
// thread has run their work. Nothing crosses threads inside a Qt event, because Qt's own queue
// locks are invisible to ThreadSanitizer.
#include "platform/gui/ui_thread.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <sys/eventfd.h>
#include <unistd.h>

namespace veldo {
namespace {

// Never destroyed: a worker the program no longer waits for (an abandoned transfer) may still
// post while the process ends.
std::mutex& QueueMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}
std::deque<std::function<void()>>& Queue() {
    static auto* queue = new std::deque<std::function<void()>>;
    return *queue;
}

void DrainQueue() {
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard lock(QueueMutex());
            if (Queue().empty()) return;
            work = std::move(Queue().front());
            Queue().pop_front();
        }
        work();
    }
}

int wakeFd = -1; // written once, on the UI thread, before any worker can post

// Runs on the UI thread when the application object is constructed.
void CreateWaker() {
    wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    auto* notifier =
        new QSocketNotifier(wakeFd, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        eventfd_t wakeUps = 0;
        eventfd_read(wakeFd, &wakeUps);
        DrainQueue();
    });
}

} // namespace

bool OnUiThread() {
    auto* app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}

void AbortUnlessOnUiThread(const char* function) {
    if (OnUiThread()) return;
    std::fprintf(stderr, "veldo: %s called off the UI thread\n", function);
    std::abort();
}

void PostToUiThread(std::function<void()> work) {
    if (OnUiThread()) {
        work();
        return;
    }
    {
        std::lock_guard lock(QueueMutex());
        Queue().push_back(std::move(work));
    }
    eventfd_write(wakeFd, 1);
}

void RunOnUiThreadAndWait(const std::function<void()>& work) {
    if (OnUiThread()) {
        work();
        return;
    }
    std::mutex doneMutex;
    std::condition_variable doneSignal;
    bool done = false;
    PostToUiThread([&] {
        work();
        std::lock_guard lock(doneMutex);
        done = true;
        doneSignal.notify_one();
    });
    std::unique_lock lock(doneMutex);
    doneSignal.wait(lock, [&] { return done; });
}

} // namespace veldo

// The startup macro needs a name at global scope.
static void CreateVeldoUiWaker() {
    veldo::CreateWaker();
}
Q_COREAPP_STARTUP_FUNCTION(CreateVeldoUiWaker)
