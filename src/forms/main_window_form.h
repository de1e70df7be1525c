#pragma once
// The borderless 580 x 200 player window with every control of its layout, and nothing else:
// what its controls do is wired up by app/main_window.h. UI thread only; other threads reach
// the controls through platform/gui/control_ops.h.
#include <QLabel>
#include <QTimer>

#include "platform/gui/borderless_window.h"
#include "platform/gui/drawing_panel.h"
#include "platform/gui/edit_box.h"
#include "platform/gui/image_button.h"
#include "platform/gui/picture_box.h"
#include "platform/gui/shape_frame.h"
#include "platform/gui/skinned_progress_bar.h"

namespace veldo {

class MainWindowForm : public BorderlessWindow {
    Q_OBJECT
  public:
    MainWindowForm();
    ~MainWindowForm() override;

    // Top of the stack first: where two controls overlap, the earlier one lies above.
    ImageButton* 图形按钮list;
    QLabel* 标签time2;
    QLabel* 标签time1;
    ImageButton* 图形按钮down;
    DrawingPanel* 画板1;
    QTimer* 时钟2;
    QTimer* 时钟1;
    ImageButton* 图形按钮1;
    ImageButton* 图形按钮stop;
    PictureBox* 图片框2;
    ImageButton* 图形按钮x;
    QLabel* 标签2;
    EditBox* 编辑框1;
    ShapeFrame* 外形框1;
    PictureBox* 图片框1;
    ImageButton* 图形按钮play;
    QLabel* 标签1;
    SkinnedProgressBar* 进度条;
};

} // namespace veldo
