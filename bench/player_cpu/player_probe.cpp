// veldo-player-probe URL: the real player (start-up, main window, fade-in, audio) playing URL
// through PlayCurrentSound with both timers running, until it is killed. A benchmark helper.
// veldo-player-probe --empty: only an empty 580 x 200 Qt window, the memory baseline.
#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <cstring>

#include "app/main_window.h"
#include "app/start_up.h"
#include "forms/program_state.h"
#include "player/playback_control.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: veldo-player-probe URL | --empty\n");
        return 2;
    }
    if (std::strcmp(argv[1], "--empty") == 0) {
        QApplication app(argc, argv);
        QWidget window;
        window.resize(580, 200);
        window.show();
        std::printf("shown\n");
        std::fflush(stdout);
        return app.exec();
    }
    const std::string url = argv[1];
    return veldo::StartUp([url](veldo::MainWindow&) {
        veldo::currentSound.source = url;
        veldo::PlayCurrentSound();
        std::printf("playing %u\n", veldo::currentStream);
        std::fflush(stdout);
    });
}
