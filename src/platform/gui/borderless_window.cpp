#include "platform/gui/borderless_window.h"

#include <QMouseEvent>
#include <QPalette>
#include <QWindow>

#include "platform/gui/ui_thread.h"

namespace veldo {

BorderlessWindow::BorderlessWindow(QColor background, QSize size, QPoint position)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
    VELDO_ASSERT_UI_THREAD();
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, background);
    setPalette(palette);
    setAutoFillBackground(true);
    setFixedSize(size);
    move(position);
}

void BorderlessWindow::mousePressEvent(QMouseEvent* event) {
    // Presses that a passive control (label, picture) let through start no drag, unless the
    // control is a drag handle.
    QWidget* under = childAt(event->position().toPoint());
    const bool drags = under == nullptr || dragHandles_.contains(under);
    if (event->button() == Qt::LeftButton && drags && windowHandle() != nullptr) {
        windowHandle()->startSystemMove();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

} // namespace veldo
