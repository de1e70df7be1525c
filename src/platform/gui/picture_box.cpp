#include "platform/gui/picture_box.h"

#include <QPainter>
#include <QSvgRenderer>
#include <utility>

#include "platform/gui/cover_image.h"
#include "platform/gui/picture_resources.h"
#include "platform/gui/ui_thread.h"

namespace veldo {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    VELDO_ASSERT_UI_THREAD();
}

void PictureBox::SetVectorPicture(const QString& resourcePath, QSize size) {
    VELDO_ASSERT_UI_THREAD();
    EnsurePictureResources();
    delete vector_;
    vector_ = new QSvgRenderer(resourcePath, this);
    vectorSize_ = size;
    image_ = QImage();
    update();
}

void PictureBox::SetPictureBytes(const std::string& bytes) {
    VELDO_ASSERT_UI_THREAD();
    SetPictureImage(DecodeCoverImage(bytes));
}

void PictureBox::SetPictureImage(QImage image) {
    VELDO_ASSERT_UI_THREAD();
    delete vector_;
    vector_ = nullptr;
    image_ = std::move(image);
    update();
}

void PictureBox::SetDisplayMode(int mode) {
    VELDO_ASSERT_UI_THREAD();
    mode_ = mode == kScaled ? kScaled : kCentred;
    update();
}

bool PictureBox::HasPicture() const {
    VELDO_ASSERT_UI_THREAD();
    return vector_ != nullptr || !image_.isNull();
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize natural = vector_ ? vectorSize_ : image_.size();
    if (natural.isEmpty()) return;
    QRectF target(rect());
    if (mode_ == kCentred)
        target = QRectF((width() - natural.width()) / 2.0, (height() - natural.height()) / 2.0,
                        natural.width(), natural.height());
    if (vector_)
        vector_->render(&painter, target);
    else
        painter.drawImage(target, image_);
}

} // namespace veldo
