#pragma once
// A button drawn from three vector pictures: normal, pointer over it, mouse button held on it.
// Tab reaches it (a click does not move the focus), a focused button carries an outline, and
// Space or Enter press it. UI thread only; use the control operations to reach it from elsewhere.
#include <QAbstractButton>
#include <QColor>
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

    // The colour of the outline drawn while the button has the keyboard focus.
    void SetFocusMarkColor(QColor color);
    // `standIn` takes the button's place when it is hidden (play and pause share one spot): a
    // button hidden while it holds its window's focus hands the focus to the stand-in, at once
    // if it is shown, else when it is shown next. A button without one takes the focus back
    // when it is shown again. Neither takes a focus that went elsewhere meanwhile.
    void SetFocusStandIn(ImageButton* standIn);

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    QSvgRenderer* normal_;
    QSvgRenderer* hover_;
    QSvgRenderer* pressed_;
    bool pointerOver_ = false;
    QColor focusMark_;
    ImageButton* standIn_ = nullptr;
    bool focusOwed_ =
        false; // hidden with the focus; the next shown of it and its stand-in takes it
};

} // namespace veldo
