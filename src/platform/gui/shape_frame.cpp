#include "platform/gui/shape_frame.h"

#include <QPainter>

namespace veldo {

ShapeFrame::ShapeFrame(QColor outline, QWidget* parent) : QWidget(parent), outline_(outline) {}

void ShapeFrame::SetOutlineColor(QColor outline) {
    if (outline == outline_) return;
    outline_ = outline;
    update();
}

void ShapeFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(outline_);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace veldo
