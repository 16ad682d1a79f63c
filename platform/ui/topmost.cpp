#include "topmost.h"

namespace platform::ui {

void setTopmost(WId window, Topmost state) {
    QWidget* widget = QWidget::find(window);
    if (widget == nullptr) return;
    widget = widget->window();
    const bool on = state == Topmost::On;
    if (widget->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) return;
    // Changing the flags re-creates the native window, which hides it; show it
    // again where it was shown before.
    const bool wasVisible = widget->isVisible();
    widget->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (wasVisible) widget->show();
}

}  // namespace platform::ui
