#pragma once
// Waiting on the network without freezing the windows. A handler hands its transfer to
// WaitAnswering: the transfer runs on a worker thread while the UI thread keeps running its
// event loop, so the windows paint, move and answer the window manager, timers tick and the
// wait cursor shows. The user's clicks and keys meanwhile are held back and delivered after
// the handler, in the order they were made; so are the commands given through RunAfterWait.
// A click on a control registered with EndWaitsOnClickOf (or a double-click on an item of a
// list registered with EndWaitsOnDoubleClickOf) abandons the wait at once: WaitAnswering
// returns nothing, the handler skips its remaining steps, then the click is delivered.
// Everything here is for the UI thread except the `work` and `discard` arguments' own threads.
#include <functional>
#include <memory>
#include <optional>

class QAbstractItemView;
class QWidget;

namespace veldo {

namespace detail {
// Runs `work` on a new thread and the UI thread's event loop until it has finished or the wait
// is abandoned. `done` runs on the UI thread once `work` has finished, with true when the wait
// was still on for it. True when `work` finished in time.
bool WaitOffUiThread(std::function<void()> work, std::function<void(bool waited)> done);
} // namespace detail

// Runs `work` on a worker thread and gives its result, or nothing when the wait was abandoned.
// An abandoned result is handed to `discard` on the UI thread once it arrives (a stream to
// stop), else simply dropped. `work` must not touch the program state or the controls.
template <typename Result>
std::optional<Result> WaitAnswering(std::function<Result()> work,
                                    std::function<void(Result&)> discard = {}) {
    auto result = std::make_shared<std::optional<Result>>();
    const bool finished =
        detail::WaitOffUiThread([result, work = std::move(work)] { result->emplace(work()); },
                                [result, discard = std::move(discard)](bool waited) {
                                    if (!waited && discard && *result) discard(**result);
                                });
    if (!finished) return std::nullopt;
    return std::move(*result);
}

// A pause of `milliseconds` in a handler, answering meanwhile. False when it was abandoned.
bool PauseAnswering(int milliseconds);

// Abandons the wait in progress, if any (the program is asked to end).
void AbandonWait();

// Runs `call` now, or, while a wait is on or held input is still to be delivered, after that
// input, in turn with the clicks and keys.
void RunAfterWait(std::function<void()> call);

// A click on `control` (left button pressed and released over it) abandons a wait.
void EndWaitsOnClickOf(QWidget* control);
// A double-click on an item of `list` abandons a wait.
void EndWaitsOnDoubleClickOf(QAbstractItemView* list);

} // namespace veldo
