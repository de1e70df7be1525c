#include "app/main_window.h"

#include <QCloseEvent>
#include <QShortcut>

#include "app/list_window.h"
#include "app/search_box.h"
#include "app/slide_away_exit.h"
#include "platform/gui/answering_wait.h"
#include "player/playback_control.h"
#include "player/progress_display.h"
#include "player/spectrum_display.h"
#include "site/download.h"
#include "site/sound_info.h"
#include "state/program_state.h"
#include "web/charset.h"

namespace veldo {

MainWindow::MainWindow() {
    mainWindow = this;
    emit ProgramStateEvents().mainWindowChanged();
    编辑框1->setText(QString::fromStdString(GbkToUtf8(searchHint)));

    connect(图形按钮list, &QAbstractButton::clicked, this, [] { OpenListWindow(); });
    connect(图形按钮down, &QAbstractButton::clicked, this, [] { OnDownloadClicked(); });
    connect(时钟2, &QTimer::timeout, this, [] { DrawSpectrum(); });
    connect(时钟1, &QTimer::timeout, this, [] { UpdateProgress(); });
    connect(图形按钮1, &QAbstractButton::clicked, this, [] { OnSearchButtonClicked(); });
    connect(图形按钮stop, &QAbstractButton::clicked, this, [] { PausePlayback(); });
    connect(图形按钮x, &QAbstractButton::clicked, this, [] { BeginSlideAwayExit(); });
    connect(编辑框1, &EditBox::pressed, this, &OnSearchBoxPressed);
    connect(图形按钮play, &QAbstractButton::clicked, this, [] { PlayCurrentSound(); });

    // Keyboard: Enter in the search box searches, as the search button does.
    connect(编辑框1, &QLineEdit::returnPressed, 图形按钮1, &QAbstractButton::click);
    AddPlayPauseKey(this);
    // These clicks do not wait for a load in progress: they abandon it, then run.
    EndWaitsOnClickOf(图形按钮x);
    EndWaitsOnClickOf(图形按钮1);
}

MainWindow::~MainWindow() {
    if (mainWindow != this) return;
    mainWindow = nullptr;
    emit ProgramStateEvents().mainWindowChanged();
}

void PressShownPlayOrPauseButton() {
    if (mainWindow == nullptr) return;
    ImageButton* pause = mainWindow->图形按钮stop;
    (pause->isVisibleTo(mainWindow) ? pause : mainWindow->图形按钮play)->click();
}

void AddPlayPauseKey(QWidget* window) {
    // Per window rather than for the whole program, so that Space still presses the button of
    // a message box. A focused search box takes Space as text before a shortcut sees it.
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), window);
    space->setContext(Qt::WindowShortcut);
    QObject::connect(space, &QShortcut::activated, window, &PressShownPlayOrPauseButton);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!BeginSlideAwayExit()) event->ignore();
}

void MainWindow::paintEvent(QPaintEvent* event) {
    MainWindowForm::paintEvent(event);
    if (painted_) return;
    painted_ = true;
    emit firstPainted();
}

} // namespace veldo
