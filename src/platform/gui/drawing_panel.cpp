#include "platform/gui/drawing_panel.h"

#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>

#include "platform/gui/ui_thread.h"

namespace veldo {

DrawingPanel::DrawingPanel(QWidget* parent) : QWidget(parent) {
    VELDO_ASSERT_UI_THREAD();
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DrawingPanel::Clear() {
    VELDO_ASSERT_UI_THREAD();
    MatchBufferToSize();
    buffer_.fill(Qt::white);
    update();
}

void DrawingPanel::FillRect(int left, int top, int width, int height, int mode, QColor from,
                            QColor to) {
    VELDO_ASSERT_UI_THREAD();
    MatchBufferToSize();
    if (buffer_.isNull() || width <= 0 || height <= 0) return;
    QPainter painter(&buffer_);
    const QRect area(left, top, width, height);
    if (mode == kShadedFill && from != to) {
        QLinearGradient shade(area.topLeft(), area.bottomLeft());
        shade.setColorAt(0, from);
        shade.setColorAt(1, to);
        painter.fillRect(area, shade);
    } else {
        painter.fillRect(area, from);
    }
    update(area.intersected(rect()));
}

QImage DrawingPanel::Snapshot() {
    VELDO_ASSERT_UI_THREAD();
    MatchBufferToSize();
    return buffer_;
}

void DrawingPanel::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (buffer_.isNull())
        painter.fillRect(event->rect(), Qt::white);
    else
        painter.drawImage(event->rect(), buffer_, event->rect());
}

void DrawingPanel::resizeEvent(QResizeEvent*) {
    MatchBufferToSize();
}

// A hidden widget gets its resize event only when first shown, and the program may draw
// before that, so every drawing call checks the buffer's size itself.
void DrawingPanel::MatchBufferToSize() {
    if (buffer_.size() == size()) return;
    QImage resized(size(), QImage::Format_RGB32);
    resized.fill(Qt::white);
    if (!buffer_.isNull()) {
        QPainter painter(&resized);
        painter.drawImage(0, 0, buffer_);
    }
    buffer_ = resized;
}

} // namespace veldo
