// Threads: each wait starts one detached worker thread that runs the transfer and then posts its
// completion to the UI thread (PostToUiThread, a mutex-guarded queue): the result is written
// before the post and read after it, on the UI thread. Everything else here (the wait in
// progress, the held input, the controls that end a wait) belongs to the UI thread alone. An
// abandoned worker runs on to the end of its transfer; its completion then only discards.
#include "platform/gui/answering_wait.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <chrono>
#include <deque>
#include <thread>
#include <vector>

#include "platform/gui/ui_thread.h"

namespace veldo {
namespace {

// One wait; UI thread only.
struct Wait {
    QEventLoop* loop = nullptr;
    bool finished = false;  // the worker's completion arrived while waited for
    bool abandoned = false; // the wait ended first
};

// Input or a command held back until the handler that waits has returned.
struct Held {
    QPointer<QObject> receiver;
    std::unique_ptr<QEvent> event;
    std::function<void()> call;
};

Wait* currentWait = nullptr;
std::deque<Held> held;
bool delivering = false; // DeliverHeld is handing out `held`
std::vector<QPointer<QWidget>> clickControls;
std::vector<QPointer<QAbstractItemView>> choiceLists;
QPointer<QWidget> pressedControl; // a control of clickControls pressed during the wait

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

// Whether `receiver` (a window or a widget) belongs to the window that shows `widget`.
bool SameWindow(QWidget* widget, QObject* receiver) {
    QWidget* top = widget->window();
    if (receiver->isWidgetType()) return static_cast<QWidget*>(receiver)->window() == top;
    return top->windowHandle() == receiver;
}

QWidget* ClickControlAt(QObject* receiver, QPoint global) {
    for (const QPointer<QWidget>& control : clickControls)
        if (control && control->isVisible() && SameWindow(control, receiver) &&
            control->rect().contains(control->mapFromGlobal(global)))
            return control;
    return nullptr;
}

bool ListItemAt(QObject* receiver, QPoint global) {
    for (const QPointer<QAbstractItemView>& list : choiceLists) {
        if (!list || !list->isVisible() || !SameWindow(list, receiver)) continue;
        const QPoint inside = list->viewport()->mapFromGlobal(global);
        if (list->viewport()->rect().contains(inside) && list->indexAt(inside).isValid())
            return true;
    }
    return false;
}

// During a wait: whether this held mouse event completes one of the clicks that cannot wait.
bool EndsTheWait(QObject* receiver, QEvent* event) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) return false;
    const QPoint global = mouse->globalPosition().toPoint();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        pressedControl = ClickControlAt(receiver, global);
        return false;
    case QEvent::MouseButtonRelease:
        return pressedControl && ClickControlAt(receiver, global) == pressedControl;
    case QEvent::MouseButtonDblClick:
        return ListItemAt(receiver, global);
    default:
        return false;
    }
}

void DeliverHeld() {
    if (currentWait != nullptr || delivering) return;
    delivering = true;
    // A handler run from here may wait again; input held meanwhile queues up behind the rest.
    while (!held.empty()) {
        Held item = std::move(held.front());
        held.pop_front();
        if (item.call)
            item.call();
        else if (item.receiver)
            QCoreApplication::sendEvent(item.receiver, item.event.get());
    }
    delivering = false;
}

void ScheduleDelivery() {
    QMetaObject::invokeMethod(QCoreApplication::instance(), &DeliverHeld, Qt::QueuedConnection);
}

// Watches every event of the UI thread and keeps user input back while a handler waits, and
// afterwards until what was kept back has been delivered.
class InputHolder : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        if (!IsUserInput(event->type())) return false;
        if (currentWait == nullptr && (held.empty() || delivering)) return false;
        // A mouse event reaches the window before its widget: only that first sight is held.
        held.push_back({receiver, std::unique_ptr<QEvent>(event->clone()), {}});
        if (currentWait != nullptr && dynamic_cast<QMouseEvent*>(event) != nullptr &&
            EndsTheWait(receiver, event))
            AbandonWait();
        return true;
    }
};

void EnsureInputHolder() {
    static QPointer<InputHolder> holder;
    if (holder) return;
    holder = new InputHolder(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(holder);
}

} // namespace

namespace detail {

bool WaitOffUiThread(std::function<void()> work, std::function<void(bool waited)> done) {
    VELDO_ASSERT_UI_THREAD();
    // Without an event loop to run, or inside a wait (nothing should start one there), the
    // work runs here, on the UI thread, before this returns.
    if (QCoreApplication::instance() == nullptr || currentWait != nullptr) {
        work();
        done(true);
        return true;
    }
    EnsureInputHolder();
    auto wait = std::make_shared<Wait>();
    std::thread([wait, work = std::move(work), done = std::move(done)] {
        work();
        PostToUiThread([wait, done] {
            wait->finished = !wait->abandoned;
            if (wait->loop != nullptr) wait->loop->quit();
            done(wait->finished);
        });
    }).detach();

    QEventLoop loop;
    wait->loop = &loop;
    currentWait = wait.get();
    pressedControl = nullptr;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    loop.exec();
    QGuiApplication::restoreOverrideCursor();
    currentWait = nullptr;
    wait->loop = nullptr;
    wait->abandoned = !wait->finished;
    if (!held.empty()) ScheduleDelivery();
    return wait->finished;
}

} // namespace detail

bool PauseAnswering(int milliseconds) {
    return WaitAnswering<bool>([milliseconds] {
               std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
               return true;
           })
        .has_value();
}

void AbandonWait() {
    VELDO_ASSERT_UI_THREAD();
    if (currentWait != nullptr && currentWait->loop != nullptr) currentWait->loop->quit();
}

void RunAfterWait(std::function<void()> call) {
    VELDO_ASSERT_UI_THREAD();
    if (currentWait == nullptr && held.empty()) {
        call();
        return;
    }
    held.push_back({nullptr, nullptr, std::move(call)});
    if (currentWait == nullptr && !delivering) ScheduleDelivery();
}

void EndWaitsOnClickOf(QWidget* control) {
    VELDO_ASSERT_UI_THREAD();
    std::erase_if(clickControls, [](const QPointer<QWidget>& gone) { return gone.isNull(); });
    clickControls.emplace_back(control);
}

void EndWaitsOnDoubleClickOf(QAbstractItemView* list) {
    VELDO_ASSERT_UI_THREAD();
    std::erase_if(choiceLists,
                  [](const QPointer<QAbstractItemView>& gone) { return gone.isNull(); });
    choiceLists.emplace_back(list);
}

} // namespace veldo
