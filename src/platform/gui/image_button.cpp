#include "platform/gui/image_button.h"

#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QSvgRenderer>

#include "platform/gui/picture_resources.h"
#include "platform/gui/ui_thread.h"

namespace veldo {
namespace {

constexpr int kFocusMarkWidth = 2; // pixels

bool IsPressKey(const QKeyEvent& key) {
    if (key.modifiers() & ~Qt::KeypadModifier) return false;
    return key.key() == Qt::Key_Space || key.key() == Qt::Key_Return ||
           key.key() == Qt::Key_Enter || key.key() == Qt::Key_Select;
}

} // namespace

ImageButton::ImageButton(const QString& normal, const QString& hover, const QString& pressed,
                         QWidget* parent)
    : QAbstractButton(parent), normal_((EnsurePictureResources(), new QSvgRenderer(normal, this))),
      hover_(new QSvgRenderer(hover, this)), pressed_(new QSvgRenderer(pressed, this)),
      focusMark_(palette().color(QPalette::Highlight)) {
    VELDO_ASSERT_UI_THREAD();
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
}

ImageButton::Look ImageButton::CurrentLook() const {
    VELDO_ASSERT_UI_THREAD();
    if (isDown()) return Look::Pressed;
    return pointerOver_ ? Look::Hover : Look::Normal;
}

void ImageButton::SetFocusMarkColor(QColor color) {
    VELDO_ASSERT_UI_THREAD();
    focusMark_ = color;
    update();
}

void ImageButton::SetFocusStandIn(ImageButton* standIn) {
    VELDO_ASSERT_UI_THREAD();
    standIn_ = standIn;
}

// A window's shortcuts (Space plays or pauses) come before a widget's keys: a focused button
// claims its press keys first.
bool ImageButton::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && IsPressKey(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QAbstractButton::event(event);
}

void ImageButton::keyPressEvent(QKeyEvent* event) {
    // Space and Select press on the way down and click on the way up (QAbstractButton); Enter
    // clicks at once, as it does on a dialog's default button.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && IsPressKey(*event) && !event->isAutoRepeat()) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
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
    if (!hasFocus()) return;
    // Around the part the window shows: a button the window's edge cuts keeps all four sides.
    // A white line inside the outline sets it off from a button of the same colour.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    const QRect shown = visibleRegion().boundingRect();
    painter.setPen(QPen(focusMark_, kFocusMarkWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawRect(shown.adjusted(1, 1, -1, -1));
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(shown.adjusted(kFocusMarkWidth, kFocusMarkWidth, -kFocusMarkWidth - 1,
                                    -kFocusMarkWidth - 1));
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

// Qt would move a hidden button's focus to the next control of the chain (pressing play then
// pause would land on download); the button's stand-in gets it instead.
void ImageButton::hideEvent(QHideEvent* event) {
    QAbstractButton::hideEvent(event);
    if (event->spontaneous() || window()->focusWidget() != this) return;
    if (standIn_ != nullptr && standIn_->isVisible()) {
        standIn_->setFocus(Qt::OtherFocusReason);
        return;
    }
    clearFocus();
    focusOwed_ = true;
    if (standIn_ != nullptr) standIn_->focusOwed_ = true;
}

void ImageButton::showEvent(QShowEvent* event) {
    QAbstractButton::showEvent(event);
    if (event->spontaneous() || !focusOwed_) return;
    focusOwed_ = false;
    if (standIn_ != nullptr) standIn_->focusOwed_ = false;
    if (window()->focusWidget() == nullptr) setFocus(Qt::OtherFocusReason);
}

} // namespace veldo
