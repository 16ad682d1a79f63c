#include "captured_boxes.h"

namespace testing_support {

CapturedBoxes::CapturedBoxes() {
    platform::ui::setMessageBoxPresenter(
        [this](const platform::ui::MessageBoxRequest& request) { boxes_.push_back(request); });
}

CapturedBoxes::~CapturedBoxes() { platform::ui::setMessageBoxPresenter({}); }

}  // namespace testing_support
