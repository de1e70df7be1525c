// veldo-shell-probe: the real start-up of the player, driven for the slide-away tests. It is a
// test program only; the player itself reads no environment. VELDO_PROBE_ACTION chooses what
// happens once the main window is shown:
//   close   a close request to the main window
//   press   one click of 图形按钮x
//   press2  two clicks of 图形按钮x, one right after the other
//   above   the window is first moved above the screen, then 图形按钮x is clicked
// Every new top of the main window is printed as "top N"; at process end, after the program
// state was released, "released yes" or "released no" tells whether its texts were emptied.
#include <QEvent>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/main_window.h"
#include "app/program_state.h"
#include "app/start_up.h"

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
        if (what == "above") window.move(window.x(), -window.height() - 100);
        window.installEventFilter(new TopPrinter);
        if (what == "close")
            window.close();
        else if (what == "press" || what == "above")
            window.图形按钮x->click();
        else if (what == "press2") {
            window.图形按钮x->click();
            window.图形按钮x->click();
        }
    });
}
