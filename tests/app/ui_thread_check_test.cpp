// The UI-thread check of the GUI services: a call from another thread stops the process at once,
// naming the function; the UI thread passes.
#include <gtest/gtest.h>
#include <thread>

#include "platform/gui/shape_frame.h"
#include "platform/gui/ui_thread.h"

namespace veldo {
namespace {

TEST(UiThreadCheckDeathTest, OffTheUiThreadAbortsNamingTheFunction) {
    // The child process starts afresh, so its QApplication and UI thread are its own.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    AbortUnlessOnUiThread("void veldo::Sample()"); // the UI thread passes
    EXPECT_DEATH(std::thread([] { AbortUnlessOnUiThread("void veldo::Sample()"); }).join(),
                 "void veldo::Sample\\(\\) called off the UI thread");
#ifndef NDEBUG
    ShapeFrame frame(Qt::red, nullptr);
    frame.SetOutlineColor(Qt::green);
    EXPECT_EQ(frame.OutlineColor(), QColor(Qt::green));
    EXPECT_DEATH(std::thread([&] { frame.SetOutlineColor(Qt::blue); }).join(),
                 "ShapeFrame::SetOutlineColor.* called off the UI thread");
#endif
}

} // namespace
} // namespace veldo
