#include "platform/gui/edit_box.h"

#include <QMouseEvent>

namespace veldo {

EditBox::EditBox(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
}

void EditBox::mousePressEvent(QMouseEvent* event) {
    emit pressed(event->position().toPoint(), event->modifiers());
    QLineEdit::mousePressEvent(event);
}

} // namespace veldo
