// Keeping a window above all others.
#pragma once

#include <QWidget>

namespace platform::ui {

// Makes the top-level window with the native handle `window` join (on) or leave (off)
// the windows that stay on top, without moving or resizing it. On X11 it asks the
// window manager (platform::ui::changeNetWmState), so `window` names the same window
// afterwards. It works on a window that is not yet shown. A handle that names no window
// of this program does nothing.
enum class Topmost { Off, On };
void setTopmost(WId window, Topmost state);

}  // namespace platform::ui
