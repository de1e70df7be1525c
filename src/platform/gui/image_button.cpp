#include "platform/gui/image_button.h"

#include <QPainter>
#include <QSvgRenderer>

#include "platform/gui/picture_resources.h"
#include "platform/gui/ui_thread.h"

namespace veldo {

ImageButton::ImageButton(const QString& normal, const QString& hover, const QString& pressed,
                         QWidget* parent)
    : QAbstractButton(parent), normal_((EnsurePictureResources(), new QSvgRenderer(normal, this))),
      hover_(new QSvgRenderer(hover, this)), pressed_(new QSvgRenderer(pressed, this)) {
    VELDO_ASSERT_UI_THREAD();
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::NoFocus);
}

ImageButton::Look ImageButton::CurrentLook() const {
    VELDO_ASSERT_UI_THREAD();
    if (isDown()) return Look::Pressed;
    return pointerOver_ ? Look::Hover : Look::Normal;
}

void ImageButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QSvgRenderer* picture = normal_;
    switch (CurrentLook()) {
    case Look::Hover:
        picture = hover_;
        break;
    case Look::Pressed:
        picture = pressed_;
        break;
    case Look::Normal:
        break;
    }
    // Rendered as vectors at the screen's pixel ratio, so it stays sharp on HiDPI screens.
    picture->render(&painter, QRectF(rect()));
}

void ImageButton::enterEvent(QEnterEvent* event) {
    pointerOver_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void ImageButton::leaveEvent(QEvent* event) {
    pointerOver_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace veldo
