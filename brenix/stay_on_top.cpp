#include "stay_on_top.h"

#include "platform/ui/topmost.h"

namespace stay_on_top {

void MakeTopmost(WId hwnd, bool topmost) {
    platform::ui::setTopmost(hwnd,
                             topmost ? platform::ui::Topmost::On : platform::ui::Topmost::Off);
}

}  // namespace stay_on_top
