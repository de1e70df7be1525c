#include "platform/gui/shape_frame.h"

#include <QPainter>

#include "platform/gui/ui_thread.h"

namespace veldo {

ShapeFrame::ShapeFrame(QColor outline, QWidget* parent) : QWidget(parent), outline_(outline) {
    VELDO_ASSERT_UI_THREAD();
}

void ShapeFrame::SetOutlineColor(QColor outline) {
    VELDO_ASSERT_UI_THREAD();
    if (outline == outline_) return;
    outline_ = outline;
    update();
}

void ShapeFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(outline_);
    // Half-pixel inset: the one-pixel line stays whole and even at any screen scale.
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

} // namespace veldo
