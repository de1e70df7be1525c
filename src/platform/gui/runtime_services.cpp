// Threads: StartWorkerThread detaches a std::thread. EndProcess and ShowInformationMessage move
// their work to the UI thread (queued call) and make a calling worker wait: EndProcess until
// the process is gone, ShowInformationMessage until the box's finished signal (UI thread) has
// set a flag under a mutex and woken it.
#include "platform/gui/runtime_services.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/codepage/direct_conversion.h"
#include "platform/files/unfinished_files.h"
#include "platform/gui/ui_thread.h"

namespace veldo {
namespace {

// A UI thread at rest answers within milliseconds; this leaves most of the second the end is
// allowed as margin for a busy machine.
constexpr std::chrono::milliseconds kEndGracePeriod{300};

// Shows a box that blocks no window: the program's windows keep taking clicks and several boxes
// may be up at once. `onClosed` runs on the UI thread when the user has closed it. UI thread.
void ShowOwnerlessBox(const QString& message, std::function<void()> onClosed) {
    VELDO_ASSERT_UI_THREAD();
    auto* box = new QMessageBox(QMessageBox::Information, QString(), message, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    if (onClosed) QObject::connect(box, &QDialog::finished, box, std::move(onClosed));
    box->show();
}

} // namespace

void StartWorkerThread(void (*procedure)()) {
    std::thread(procedure).detach();
}

void WaitMilliseconds(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void ShowInformationMessage(const Text& text) {
    const QString message = QString::fromStdString(GbkToUtf8Bytes(text));
    if (OnUiThread()) {
        ShowOwnerlessBox(message, {});
        return;
    }
    struct Closed {
        std::mutex mutex;
        std::condition_variable signal;
        bool closed = false;
    };
    auto closed = std::make_shared<Closed>();
    PostToUiThread([message, closed] {
        ShowOwnerlessBox(message, [closed] {
            std::lock_guard lock(closed->mutex);
            closed->closed = true;
            closed->signal.notify_one();
        });
    });
    std::unique_lock lock(closed->mutex);
    closed->signal.wait(lock, [&] { return closed->closed; });
}

void EndProcess(int exitCode) {
    PostToUiThread([exitCode] {
        std::fflush(nullptr);
        std::quick_exit(exitCode);
    });
    // A UI thread stuck in a long call (a site that does not answer) must not keep the process
    // alive: after a grace period it ends without the UI thread, leaving no unfinished file.
    std::this_thread::sleep_for(kEndGracePeriod);
    RemoveUnfinishedFiles();
    std::fflush(nullptr);
    // _Exit, not _exit: a sanitizer's _exit hook may wait (ThreadSanitizer sleeps a second
    // while other threads run), and the end must not.
    std::_Exit(exitCode);
}

std::filesystem::path RunDirectory() {
#ifdef __linux__
    // The kernel's own bytes: Qt's text form would lose a name that is not valid UTF-8.
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error && program.has_parent_path()) return program.parent_path();
#endif
    return std::filesystem::path(QCoreApplication::applicationDirPath().toStdU16String());
}

} // namespace veldo
