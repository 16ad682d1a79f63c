#include "topmost.h"

#include "window_state.h"

namespace platform::ui {

void setTopmost(WId window, Topmost state) {
    QWidget* widget = QWidget::find(window);
    if (widget == nullptr) return;
    const auto change = state == Topmost::On ? StateChange::Add : StateChange::Remove;
    if (changeNetWmState(widget->window()->winId(),
                         {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_STAYS_ON_TOP"}, change)) {
        return;
    }
    // Without X11 (the offscreen platform; Wayland, which has no stay-on-top) Qt's flag
    // says it; changing it re-creates the native window, which is shown again as it was.
    widget = widget->window();
    if (widget->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == (state == Topmost::On)) return;
    const bool wasVisible = widget->isVisible();
    widget->setWindowFlag(Qt::WindowStaysOnTopHint, state == Topmost::On);
    if (wasVisible) widget->show();
}

}  // namespace platform::ui
