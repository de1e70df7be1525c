#include "platform/gui/skinned_progress_bar.h"

#include <QAccessible>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>

#include "platform/gui/picture_resources.h"
#include "platform/gui/ui_thread.h"

namespace veldo {

SkinnedProgressBar::SkinnedProgressBar(int maximum, QWidget* parent)
    : QWidget(parent),
      track_((EnsurePictureResources(),
              new QSvgRenderer(QStringLiteral(":/veldo/progress_track.svg"), this))),
      fill_(new QSvgRenderer(QStringLiteral(":/veldo/progress_fill.svg"), this)),
      maximum_(maximum) {
    VELDO_ASSERT_UI_THREAD();
}

void SkinnedProgressBar::SetPosition(int position) {
    VELDO_ASSERT_UI_THREAD();
    if (position == position_) return;
    position_ = position;
    update();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent changed(this, position);
        QAccessible::updateAccessibility(&changed);
    }
}

void SkinnedProgressBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    track_->render(&painter, QRectF(rect()));
    if (maximum_ <= 0 || position_ <= 0) return;
    const double share = std::min(1.0, static_cast<double>(position_) / maximum_);
    const double played = share * width();
    // The fill picture is drawn at full width and cut at the played share, so its rounded
    // right end is the bar's end, not a squeezed copy.
    painter.setClipRect(QRectF(0, 0, played, height()));
    fill_->render(&painter, QRectF(rect()));
}

} // namespace veldo
