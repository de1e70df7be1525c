#pragma once
// A one-line edit box without a frame of its own that reports mouse presses. UI thread only.
#include <QLineEdit>

namespace veldo {

class EditBox : public QLineEdit {
    Q_OBJECT
  public:
    explicit EditBox(QWidget* parent);

  signals:
    // Emitted before the box handles the press itself.
    void pressed(QPoint position, Qt::KeyboardModifiers modifiers);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace veldo
