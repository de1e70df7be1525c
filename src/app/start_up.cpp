// Threads: StartUp and OnMainWindowCreated run on the UI thread. FadeInWorker runs on a thread
// of its own and is the only one touching fadeAlpha; its opacity writes reach the window as
// queued calls (SetWindowAlpha), and its announcements reach listeners queued (their context
// objects live on the UI thread).
#include "app/start_up.h"

#include <QApplication>
#include <cstdlib>

#include "app/main_window.h"
#include "app/media_controls.h"
#include "platform/audio/bass.h"
#include "platform/gui/runtime_services.h"
#include "platform/gui/stop_signals.h"
#include "platform/gui/window_services.h"
#include "state/program_state.h"

namespace veldo {
namespace {

constexpr int kDefaultOutputDevice = -1;
constexpr DWORD kOutputRate = 44100;
constexpr int kFadeStepAlpha = 25;
constexpr int kFadeStepMs = 1;
// Steps of 25 end at 250 of 255: the first value above this.
constexpr int kFadeEndsAbove = 230;

} // namespace

int StartUp(const std::function<void(MainWindow&)>& afterShown) {
    // Qt needs an argument vector; the program reads no command line, so it gets only a name.
    static int argc = 1;
    static char name[] = "veldo";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    EndProcessOnStopSignals();

    InitialiseProgramState();
    std::at_quick_exit(&ReleaseProgramState);

    MainWindow window;
    OnMainWindowCreated();
    window.show();
    RegisterMediaControlsAfterFirstPaint(window); // media keys, where a session bus runs
    if (afterShown) afterShown(window);

    app.exec();
    EndProcess(0);
}

void OnMainWindowCreated() {
    NativeWindowHandle(mainWindow); // the window system's window exists from here on
    SetWindowAlpha(mainWindow, 0);
    StartWorkerThread(&FadeInWorker);
    // A machine without a sound device still runs the player: the result is not needed.
    BASS_Init(kDefaultOutputDevice, kOutputRate, 0, NativeWindowHandle(mainWindow), nullptr);
    AttachTooltip(mainWindow->图形按钮down, "\xCF\xC2\xD4\xD8", false, true); // 下载
    AttachTooltip(mainWindow->图形按钮list, "\xC1\xD0\xB1\xED", false, true); // 列表
}

void FadeInWorker() {
    for (;;) {
        if (fadeAlpha > kFadeEndsAbove) return;
        fadeAlpha += kFadeStepAlpha;
        emit ProgramStateEvents().fadeAlphaChanged();
        SetWindowAlpha(mainWindow, fadeAlpha);
        WaitMilliseconds(kFadeStepMs);
    }
}

} // namespace veldo
