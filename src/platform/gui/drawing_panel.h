#pragma once
// A panel that is drawn into an off-screen picture and shown from it, so a clear followed by a
// redraw never flickers on screen. UI thread only; use the control operations elsewhere.
#include <QColor>
#include <QImage>
#include <QWidget>

#include "platform/gui/ui_thread.h"

namespace veldo {

class DrawingPanel : public QWidget {
    Q_OBJECT
  public:
    explicit DrawingPanel(QWidget* parent);

    // Fills the whole panel with its background colour (white).
    void Clear();
    void SetDrawColor(QColor color) {
        VELDO_ASSERT_UI_THREAD();
        drawColor_ = color;
    }
    QColor DrawColor() const {
        VELDO_ASSERT_UI_THREAD();
        return drawColor_;
    }
    enum FillMode { kPlainFill = 0, kShadedFill = 1 };
    // Fills left, top, width, height (pixels, clipped to the panel). kShadedFill shades from
    // `from` at the top to `to` at the bottom; any other mode fills plainly with `from`.
    void FillRect(int left, int top, int width, int height, int mode, QColor from, QColor to);
    // The off-screen picture at the panel's logical size (for tests and screenshots).
    QImage Snapshot();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void MatchBufferToSize();

    QImage buffer_;
    QColor drawColor_ = Qt::black;
};

} // namespace veldo
