// veldo-player-probe URL: the real player (start-up, main window, fade-in, audio) playing URL
// through PlayCurrentSound with both timers running, until it is killed. A benchmark helper.
// veldo-player-probe --empty: only an empty 580 x 200 Qt window, the memory baseline.
// veldo-player-probe --rest: the real player with nothing played.
// veldo-player-probe --paused URL: the real player, paused a second after it started URL.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstring>

#include "app/main_window.h"
#include "app/start_up.h"
#include "player/playback_control.h"
#include "state/program_state.h"

int main(int argc, char** argv) {
    const bool paused = argc == 3 && std::strcmp(argv[1], "--paused") == 0;
    if (argc != 2 && !paused) {
        std::fprintf(stderr, "usage: veldo-player-probe URL | --empty | --rest | --paused URL\n");
        return 2;
    }
    if (std::strcmp(argv[1], "--rest") == 0)
        return veldo::StartUp([](veldo::MainWindow&) {
            std::printf("at rest\n");
            std::fflush(stdout);
        });
    if (std::strcmp(argv[1], "--empty") == 0) {
        QApplication app(argc, argv);
        QWidget window;
        window.resize(580, 200);
        window.show();
        std::printf("shown\n");
        std::fflush(stdout);
        return app.exec();
    }
    const std::string url = argv[argc - 1];
    return veldo::StartUp([url, paused](veldo::MainWindow&) {
        veldo::currentSound.source = url;
        veldo::PlayCurrentSound();
        std::printf("playing %u\n", veldo::currentStream);
        std::fflush(stdout);
        if (paused) QTimer::singleShot(1000, [] { veldo::PausePlayback(); });
    });
}
