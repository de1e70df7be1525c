#pragma once
// A thin progress bar painted from two vector pictures: the track and the played part.
// Assistive technology reads it as a progress bar with its value (platform/gui/
// accessible_controls.h).
// UI thread only; use the control operations elsewhere.
#include <QWidget>

#include "platform/gui/ui_thread.h"

class QSvgRenderer;

namespace veldo {

class SkinnedProgressBar : public QWidget {
    Q_OBJECT
  public:
    SkinnedProgressBar(int maximum, QWidget* parent);
    int Maximum() const {
        VELDO_ASSERT_UI_THREAD();
        return maximum_;
    }
    int Position() const {
        VELDO_ASSERT_UI_THREAD();
        return position_;
    }
    // Values outside 0..maximum are drawn as the nearest end; the value itself is kept.
    void SetPosition(int position);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QSvgRenderer* track_;
    QSvgRenderer* fill_;
    int maximum_;
    int position_ = 0;
};

} // namespace veldo
