#pragma once
// A top-level window without border or title whose free area (any spot not covered by a
// control) drags it with the mouse. UI thread only.
#include <QWidget>

namespace veldo {

class BorderlessWindow : public QWidget {
    Q_OBJECT
  public:
    BorderlessWindow(QColor background, QSize size, QPoint position);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace veldo
