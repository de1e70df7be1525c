#pragma once
// Window-level services: opacity, tooltips, native handles, the windows' font. Callable from
// any thread (carried to the UI thread like the control operations).
#include "text/text_types.h"

class QWidget;

namespace veldo {

// Opacity of a top-level window, 0 transparent to 255 opaque (values outside are clamped).
// Wayland has none: there the window stays opaque and reads 255.
void SetWindowAlpha(QWidget* window, int alpha);
// The window's opacity as 0..255, read back from the window system's value.
int GetWindowAlpha(QWidget* window);

// Shows `text` while the pointer rests on the control, replacing an earlier tooltip.
// `balloon` asks for a balloon-shaped tip, which Qt does not draw (the flag is accepted and
// ignored); `alwaysShow` shows the tip even while the control's window is not active.
void AttachTooltip(QWidget* control, const Text& text, bool balloon, bool alwaysShow);

// The native handle of a window (created on first use); for the audio engine's owner window.
void* NativeWindowHandle(QWidget* window);

// The font of every control ("微软雅黑", shown with the installed CJK face) at a pixel height.
void UseDesignFont(QWidget* widget, int pixelHeight);

} // namespace veldo
