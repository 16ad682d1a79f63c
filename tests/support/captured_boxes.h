// Captures every message box shown while it lives, through Qt or through platform::box,
// instead of showing it.
#pragma once

#include <vector>

#include "platform/ui/message_box.h"

namespace testing_support {

class CapturedBoxes {
public:
    CapturedBoxes();
    ~CapturedBoxes();
    CapturedBoxes(const CapturedBoxes&) = delete;
    CapturedBoxes& operator=(const CapturedBoxes&) = delete;

    const std::vector<platform::ui::MessageBoxRequest>& boxes() const { return boxes_; }

private:
    std::vector<platform::ui::MessageBoxRequest> boxes_;
};

}  // namespace testing_support
