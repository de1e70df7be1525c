#include "platform/gui/edit_box.h"

#include <QMouseEvent>

#include "platform/gui/ui_thread.h"

namespace veldo {

EditBox::EditBox(QWidget* parent) : QLineEdit(parent) {
    VELDO_ASSERT_UI_THREAD();
    setFrame(false);
}

void EditBox::mousePressEvent(QMouseEvent* event) {
    emit pressed(event->position().toPoint(), event->modifiers());
    QLineEdit::mousePressEvent(event);
}

} // namespace veldo
