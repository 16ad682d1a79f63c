// Keeping the dialog above the spectrometer application's windows.
#pragma once

#include <QWidget>

namespace stay_on_top {

// Makes the window `hwnd` join (topmost true) or leave the windows that stay on top,
// without moving or resizing it.
void MakeTopmost(WId hwnd, bool topmost);

}  // namespace stay_on_top
