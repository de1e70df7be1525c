#pragma once
// The borderless 250 x 305 window with the site's exploration list: its controls only, wired
// up by app/list_window.h. UI thread only; other threads reach the controls through
// platform/gui/control_ops.h.
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "platform/gui/borderless_window.h"
#include "platform/gui/image_button.h"

namespace veldo {

class ListWindowForm : public BorderlessWindow {
    Q_OBJECT
  public:
    ListWindowForm();
    ~ListWindowForm() override;

    // Top of the stack first: where two controls overlap, the earlier one lies above.
    QLabel* 标签n;
    ImageButton* 图形按钮2;
    ImageButton* 图形按钮1;
    QLabel* 标签1;
    QPushButton* 按钮1;
    QListWidget* 列表框1;
};

} // namespace veldo
