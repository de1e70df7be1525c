#pragma once
// Operations on the controls of the windows, callable from any thread. On the UI thread they
// act at once. From another thread a write is carried to the UI thread by a queued call, in
// call order, and the caller goes on; a read waits for the UI thread's answer, which comes
// after every write posted before it. A control that is gone when a carried write arrives is
// skipped. Texts are GBK bytes (the program's text); they are converted for Qt here.
#include "text/text_types.h"
#include <QColor>
#include <QImage>

class QLabel;
class QLineEdit;
class QListWidget;
class QTimer;
class QWidget;

namespace veldo {

class DrawingPanel;
class PictureBox;
class ShapeFrame;
class SkinnedProgressBar;

// Position and size in pixels: of a window on the screen, of a control in its parent.
int GetLeft(QWidget* widget);
int GetTop(QWidget* widget);
int GetWidth(QWidget* widget);
int GetHeight(QWidget* widget);
void SetLeft(QWidget* widget, int left);
void SetTop(QWidget* widget, int top);

// Whether the control itself is set to be shown (its window may be hidden).
bool IsShown(QWidget* widget);
void SetShown(QWidget* widget, bool shown);

Text GetCaption(QLabel* label);
void SetCaption(QLabel* label, const Text& caption);
Text GetEditText(QLineEdit* edit);
void SetEditText(QLineEdit* edit, const Text& text);

// Interval in milliseconds; 0 stops the timer. A stopped timer reads 0.
int GetTimerInterval(QTimer* timer);
void SetTimerInterval(QTimer* timer, int milliseconds);

QColor GetOutlineColor(ShapeFrame* frame);
void SetOutlineColor(ShapeFrame* frame, QColor color);

// Image bytes as fetched (PNG, JPEG, ...); unreadable or empty bytes leave the box empty.
void SetPicture(PictureBox* box, const ByteArray& imageBytes);
// A picture decoded already (see cover_image.h); a null image leaves the box empty.
void SetPicture(PictureBox* box, const QImage& image);
// `mode` is a PictureBox::DisplayMode: kCentred at the picture's own size, or kScaled to the box.
void SetPictureMode(PictureBox* box, int mode);

int GetProgressMaximum(SkinnedProgressBar* bar);
int GetProgressPosition(SkinnedProgressBar* bar);
void SetProgressPosition(SkinnedProgressBar* bar, int position);

void ClearPanel(DrawingPanel* panel);
void SetPanelDrawColor(DrawingPanel* panel, QColor color);
// `mode` is a DrawingPanel::FillMode: kShadedFill shades from `from` to `to` top to bottom
// (the program passes one colour twice).
void FillPanelRect(DrawingPanel* panel, int left, int top, int width, int height, int mode,
                   QColor from, QColor to);

void ClearListBox(QListWidget* list);
void AddListItem(QListWidget* list, const Text& item);
// 0-based index of the current item, -1 for none.
int SelectedListIndex(QListWidget* list);
int ListItemCount(QListWidget* list);

void MoveFocusTo(QWidget* widget);

} // namespace veldo
