#pragma once
// A box showing one picture, either at its own size in the centre (mode 0) or scaled to fill
// the box (mode 1). Pictures come from resource paths (vector art) or from image bytes (covers
// fetched from the site). UI thread only.
#include <QImage>
#include <QWidget>
#include <string>

#include "platform/gui/ui_thread.h"

class QSvgRenderer;

namespace veldo {

class PictureBox : public QWidget {
    Q_OBJECT
  public:
    enum DisplayMode { kCentred = 0, kScaled = 1 };

    explicit PictureBox(QWidget* parent);
    // A vector picture drawn at `size` pixels.
    void SetVectorPicture(const QString& resourcePath, QSize size);
    // Image bytes in any format Qt reads; bytes it cannot read leave the box empty.
    void SetPictureBytes(const std::string& bytes);
    // A decoded picture; a null image leaves the box empty.
    void SetPictureImage(QImage image);
    void SetDisplayMode(int mode);
    int DisplayModeValue() const {
        VELDO_ASSERT_UI_THREAD();
        return mode_;
    }
    bool HasPicture() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QSvgRenderer* vector_ = nullptr;
    QSize vectorSize_;
    QImage image_;
    int mode_ = kCentred;
};

} // namespace veldo
