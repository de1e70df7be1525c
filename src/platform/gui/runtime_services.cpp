// Threads: StartWorkerThread detaches a std::thread. EndProcess and ShowInformationMessage move
// their work to the UI thread (queued call) and make a calling worker wait.
#include "platform/gui/runtime_services.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/gui/ui_thread.h"
#include "web/charset.h"

namespace veldo {

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
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(1));
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
