#pragma once
// A rectangle frame: white inside, a one-pixel outline of a chosen colour. UI thread only.
#include <QColor>
#include <QWidget>

#include "platform/gui/ui_thread.h"

namespace veldo {

class ShapeFrame : public QWidget {
    Q_OBJECT
  public:
    ShapeFrame(QColor outline, QWidget* parent);
    QColor OutlineColor() const {
        VELDO_ASSERT_UI_THREAD();
        return outline_;
    }
    void SetOutlineColor(QColor outline);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor outline_;
};

} // namespace veldo
