// Threads: StartWorkerThread detaches a std::thread. EndProcess and ShowInformationMessage move
// their work to the UI thread (queued call) and make a calling worker wait.
#include "platform/gui/runtime_services.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>

#include "platform/gui/ui_thread.h"
#include "platform/gui/unfinished_files.h"
#include "web/charset.h"

namespace veldo {
namespace {
constexpr std::chrono::milliseconds kEndGracePeriod{600};
}

void StartWorkerThread(void (*procedure)()) {
    std::thread(procedure).detach();
}

void WaitMilliseconds(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void ShowInformationMessage(const Text& text) {
    const QString message = QString::fromStdString(GbkToUtf8(text));
    RunOnUiThreadAndWait([&message] {
        QMessageBox box(QMessageBox::Information, QString(), message, QMessageBox::Ok);
        box.exec();
    });
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
    _exit(exitCode);
}

Text RunDirectory() {
    return Utf8ToGbk(QCoreApplication::applicationDirPath().toStdString());
}

} // namespace veldo
