#pragma once
// A button drawn from three vector pictures: normal, pointer over it, mouse button held on it.
// UI thread only; use the control operations to reach it from elsewhere.
#include <QAbstractButton>
#include <QString>

class QSvgRenderer;

namespace veldo {

class ImageButton : public QAbstractButton {
    Q_OBJECT
  public:
    // Resource paths of the three pictures (":/..."); each is scaled to the button's size.
    ImageButton(const QString& normal, const QString& hover, const QString& pressed,
                QWidget* parent);

    enum class Look { Normal, Hover, Pressed };
    Look CurrentLook() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    QSvgRenderer* normal_;
    QSvgRenderer* hover_;
    QSvgRenderer* pressed_;
    bool pointerOver_ = false;
};

} // namespace veldo
