#pragma once
// Carrying work to the UI thread. Control operations may be called from any thread: on the UI
// thread they act at once; on another thread a write is posted to the UI thread as a queued
// call (in call order, the caller goes on), and a read waits until the UI thread has answered,
// after every write posted before it.
#include <QtGlobal>
#include <functional>

namespace veldo {

bool OnUiThread();

// Aborts, naming `function`, when called off the UI thread (see VELDO_ASSERT_UI_THREAD).
void AbortUnlessOnUiThread(const char* function);

// Runs `work` now on the UI thread, or posts it there and returns at once.
void PostToUiThread(std::function<void()> work);
// Runs `work` on the UI thread and returns when it has run.
void RunOnUiThreadAndWait(const std::function<void()>& work);

// A value read on the UI thread, from any thread.
template <typename Read> auto ReadOnUiThread(Read read) -> decltype(read()) {
    decltype(read()) value{};
    RunOnUiThreadAndWait([&] { value = read(); });
    return value;
}

} // namespace veldo

// At the top of a function that only the UI thread may call. Debug builds abort with the
// function's name when another thread calls it; release builds (NDEBUG) compile it out.
#ifdef NDEBUG
#define VELDO_ASSERT_UI_THREAD() static_cast<void>(0)
#else
#define VELDO_ASSERT_UI_THREAD() ::veldo::AbortUnlessOnUiThread(Q_FUNC_INFO)
#endif
