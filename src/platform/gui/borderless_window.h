#pragma once
// A top-level window without border or title whose free area (any spot not covered by a
// control) and drag handles drag it with the mouse. The window system moves it
// (startSystemMove), so it works where a program cannot place its windows itself (Wayland).
// UI thread only.
#include <QWidget>

#include "platform/gui/ui_thread.h"

namespace veldo {

class BorderlessWindow : public QWidget {
    Q_OBJECT
  public:
    BorderlessWindow(QColor background, QSize size, QPoint position);

    // Presses on `handle`, a passive control such as a title label, drag the window too.
    void AddDragHandle(QWidget* handle) {
        VELDO_ASSERT_UI_THREAD();
        dragHandles_.append(handle);
    }

  protected:
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QList<QWidget*> dragHandles_;
};

} // namespace veldo
