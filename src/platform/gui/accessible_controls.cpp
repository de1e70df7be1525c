#include "platform/gui/accessible_controls.h"

#include <QAccessibleWidget>
#include <mutex>

#include "platform/gui/borderless_window.h"
#include "platform/gui/drawing_panel.h"
#include "platform/gui/picture_box.h"
#include "platform/gui/shape_frame.h"
#include "platform/gui/skinned_progress_bar.h"
#include "platform/gui/value_label.h"

namespace veldo {
namespace {

// The playback position between 0 and the bar's maximum; read only.
class AccessibleProgressBar : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit AccessibleProgressBar(SkinnedProgressBar* bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QVariant currentValue() const override { return Bar()->Position(); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return Bar()->Maximum(); }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

  private:
    SkinnedProgressBar* Bar() const { return static_cast<SkinnedProgressBar*>(widget()); }
};

// The label's text as read-only text without selection or caret.
class AccessibleValueLabel : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit AccessibleValueLabel(ValueLabel* label)
        : QAccessibleWidget(label, QAccessible::StaticText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Value ? Text() : QAccessibleWidget::text(kind);
    }
    QString text(int start, int end) const override {
        const QString shown = Text();
        if (end < 0 || end > shown.size()) end = static_cast<int>(shown.size());
        if (start < 0 || start >= end) return {};
        return shown.mid(start, end - start);
    }
    int characterCount() const override { return static_cast<int>(Text().size()); }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }

  private:
    QString Text() const { return static_cast<QLabel*>(widget())->text(); }
};

// Qt asks with each class name of the object's class chain, the most derived first.
QAccessibleInterface* AccessibleFor(const QString&, QObject* object) {
    if (object == nullptr || !object->isWidgetType()) return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (auto* bar = qobject_cast<SkinnedProgressBar*>(object))
        return new AccessibleProgressBar(bar);
    if (auto* label = qobject_cast<ValueLabel*>(object)) return new AccessibleValueLabel(label);
    if (qobject_cast<PictureBox*>(object) || qobject_cast<DrawingPanel*>(object))
        return new QAccessibleWidget(widget, QAccessible::Graphic);
    if (qobject_cast<ShapeFrame*>(object))
        return new QAccessibleWidget(widget, QAccessible::Grouping);
    if (qobject_cast<BorderlessWindow*>(object))
        return new QAccessibleWidget(widget, QAccessible::Window);
    return nullptr;
}

} // namespace

void InstallAccessibleControls() {
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(&AccessibleFor); });
}

} // namespace veldo
