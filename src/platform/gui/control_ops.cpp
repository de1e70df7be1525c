// Threads: called from any thread. Reads run on the UI thread through ReadOnUiThread; writes
// through PostToUiThread, holding the control in a QPointer so that a control deleted in
// between (a closed list window) is skipped instead of touched.
#include "platform/gui/control_ops.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QTimer>

#include "platform/codepage/direct_conversion.h"
#include "platform/gui/drawing_panel.h"
#include "platform/gui/picture_box.h"
#include "platform/gui/shape_frame.h"
#include "platform/gui/skinned_progress_bar.h"
#include "platform/gui/ui_thread.h"

namespace veldo {
namespace {

template <typename Object, typename Action> void Write(Object* object, Action write) {
    QPointer<Object> guarded(object);
    PostToUiThread([guarded, write] {
        if (guarded) write(guarded.data());
    });
}

template <typename Object, typename Getter> auto Read(Object* object, Getter read) {
    QPointer<Object> guarded(object);
    using Value = decltype(read(object));
    return ReadOnUiThread([guarded, read] { return guarded ? read(guarded.data()) : Value{}; });
}

QString ToQt(const Text& gbk) {
    return QString::fromStdString(GbkToUtf8Bytes(gbk));
}
Text FromQt(const QString& text) {
    return Utf8ToGbkDirect(text.toStdString());
}

} // namespace

int GetLeft(QWidget* w) {
    return Read(w, [](QWidget* x) { return x->isWindow() ? x->frameGeometry().x() : x->x(); });
}
int GetTop(QWidget* w) {
    return Read(w, [](QWidget* x) { return x->isWindow() ? x->frameGeometry().y() : x->y(); });
}
int GetWidth(QWidget* w) {
    return Read(w, [](QWidget* x) { return x->width(); });
}
int GetHeight(QWidget* w) {
    return Read(w, [](QWidget* x) { return x->height(); });
}
void SetLeft(QWidget* w, int left) {
    Write(w,
          [left](QWidget* x) { x->move(left, x->isWindow() ? x->frameGeometry().y() : x->y()); });
}
void SetTop(QWidget* w, int top) {
    Write(w, [top](QWidget* x) { x->move(x->isWindow() ? x->frameGeometry().x() : x->x(), top); });
}

bool IsShown(QWidget* w) {
    return Read(w, [](QWidget* x) { return !x->isHidden(); });
}
void SetShown(QWidget* w, bool shown) {
    Write(w, [shown](QWidget* x) { x->setVisible(shown); });
}

Text GetCaption(QLabel* label) {
    return Read(label, [](QLabel* x) { return FromQt(x->text()); });
}
void SetCaption(QLabel* label, const Text& caption) {
    const QString text = ToQt(caption);
    Write(label, [text](QLabel* x) { x->setText(text); });
}
Text GetEditText(QLineEdit* edit) {
    return Read(edit, [](QLineEdit* x) { return FromQt(x->text()); });
}
void SetEditText(QLineEdit* edit, const Text& content) {
    const QString text = ToQt(content);
    Write(edit, [text](QLineEdit* x) { x->setText(text); });
}

int GetTimerInterval(QTimer* timer) {
    return Read(timer, [](QTimer* x) { return x->isActive() ? x->interval() : 0; });
}
void SetTimerInterval(QTimer* timer, int milliseconds) {
    Write(timer, [milliseconds](QTimer* x) {
        if (milliseconds > 0)
            x->start(milliseconds);
        else
            x->stop();
    });
}

QColor GetOutlineColor(ShapeFrame* frame) {
    return Read(frame, [](ShapeFrame* x) { return x->OutlineColor(); });
}
void SetOutlineColor(ShapeFrame* frame, QColor color) {
    Write(frame, [color](ShapeFrame* x) { x->SetOutlineColor(color); });
}

void SetPicture(PictureBox* box, const ByteArray& imageBytes) {
    Write(box, [imageBytes](PictureBox* x) { x->SetPictureBytes(imageBytes); });
}
void SetPicture(PictureBox* box, const QImage& image) {
    Write(box, [image](PictureBox* x) { x->SetPictureImage(image); });
}
void SetPictureMode(PictureBox* box, int mode) {
    Write(box, [mode](PictureBox* x) { x->SetDisplayMode(mode); });
}

int GetProgressMaximum(SkinnedProgressBar* bar) {
    return Read(bar, [](SkinnedProgressBar* x) { return x->Maximum(); });
}
int GetProgressPosition(SkinnedProgressBar* bar) {
    return Read(bar, [](SkinnedProgressBar* x) { return x->Position(); });
}
void SetProgressPosition(SkinnedProgressBar* bar, int position) {
    Write(bar, [position](SkinnedProgressBar* x) { x->SetPosition(position); });
}

void ClearPanel(DrawingPanel* panel) {
    Write(panel, [](DrawingPanel* x) { x->Clear(); });
}
void SetPanelDrawColor(DrawingPanel* panel, QColor color) {
    Write(panel, [color](DrawingPanel* x) { x->SetDrawColor(color); });
}
void FillPanelRect(DrawingPanel* panel, int left, int top, int width, int height, int mode,
                   QColor from, QColor to) {
    Write(panel, [=](DrawingPanel* x) { x->FillRect(left, top, width, height, mode, from, to); });
}

void ClearListBox(QListWidget* list) {
    Write(list, [](QListWidget* x) { x->clear(); });
}
void AddListItem(QListWidget* list, const Text& item) {
    const QString text = ToQt(item);
    Write(list, [text](QListWidget* x) { x->addItem(text); });
}
int SelectedListIndex(QListWidget* list) {
    return Read(list, [](QListWidget* x) { return x->currentRow(); });
}
int ListItemCount(QListWidget* list) {
    return Read(list, [](QListWidget* x) { return x->count(); });
}

void MoveFocusTo(QWidget* w) {
    Write(w, [](QWidget* x) { x->setFocus(Qt::OtherFocusReason); });
}

} // namespace veldo
