// veldo-shell-probe: the real start-up of the player, driven for the slide-away tests. It is a
// test program only; the player itself reads no environment. VELDO_PROBE_ACTION chooses what
// happens once the main window is shown:
//   close   a close request to the main window
//   press   one click of 图形按钮x
//   press2  two clicks of 图形按钮x, one right after the other
//   above   the window is first moved above the screen, then 图形按钮x is clicked
//   wait    nothing: the program runs until something ends it
//   busy    the UI thread is kept busy for 20 s, as by a site that does not answer
//   download  the sound at VELDO_PROBE_SOURCE is saved as "song" into the musics folder of
//             VELDO_PROBE_RUNDIR
// "shown" is printed once the main window is shown, every new top of the main window as
// "top N"; at process end, after the program state was released, "released yes" or "released
// no" tells whether its texts were emptied.
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "app/main_window.h"
#include "app/start_up.h"
#include "site/download.h"
#include "state/program_state.h"

namespace {

class TopPrinter : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Move) {
            std::printf("top %d\n", static_cast<QWidget*>(watched)->frameGeometry().y());
            std::fflush(stdout);
        }
        return false;
    }
};

void ReportRelease() {
    using namespace veldo;
    const bool empty = currentSound.source.empty() && currentSound.name.empty() &&
                       currentSound.pic.empty() && soundInfoText.empty() &&
                       enteredSoundId.empty() && explorationEntries.empty() &&
                       explorationPageText.empty();
    std::printf("released %s\n", empty ? "yes" : "no");
    std::fflush(stdout);
}

} // namespace

int main() {
    // Registered first, so it runs after the program's own release routine.
    std::at_quick_exit(&ReportRelease);
    return veldo::StartUp([](veldo::MainWindow& window) {
        using namespace veldo;
        currentSound = {"http://x/a.mp3", "http://x/a.jpg", "a"};
        soundInfoText = "{}";
        enteredSoundId = "1";
        explorationEntries = {"1\">a"};
        explorationPageText = "<html>";

        const char* action = std::getenv("VELDO_PROBE_ACTION");
        const std::string what = action ? action : "";
        window.installEventFilter(new TopPrinter); // first: the probe's own move is printed too
        if (what == "above") window.move(window.x(), -window.height() - 100);
        if (what == "close")
            window.close();
        else if (what == "press" || what == "above")
            window.图形按钮x->click();
        else if (what == "press2") {
            window.图形按钮x->click();
            window.图形按钮x->click();
        } else if (what == "busy") {
            QTimer::singleShot(0, [] { std::this_thread::sleep_for(std::chrono::seconds(20)); });
        } else if (what == "download") {
            currentSound = {std::getenv("VELDO_PROBE_SOURCE"), "", "song"};
            SetRunDirectoryForTesting(std::getenv("VELDO_PROBE_RUNDIR"));
            window.图形按钮down->click();
        }
        std::printf("shown\n");
        std::fflush(stdout);
    });
}
