#pragma once
// The player window of forms/main_window_form.h with its controls wired to the handlers of
// player/, site/ and app/. UI thread only.
#include "forms/main_window_form.h"

namespace veldo {

class MainWindow : public MainWindowForm {
    Q_OBJECT
  public:
    // The window is mainWindow while it exists.
    MainWindow();
    ~MainWindow() override;

  signals:
    // Once, when the window is painted for the first time.
    void firstPainted();

  protected:
    // A close request is refused; the window slides away instead.
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    bool painted_ = false;
};

// Clicks whichever of 图形按钮play and 图形按钮stop is shown (the Space key).
void PressShownPlayOrPauseButton();
// Gives `window` the Space key for PressShownPlayOrPauseButton while one of its controls other
// than a text box has the focus.
void AddPlayPauseKey(QWidget* window);

} // namespace veldo
