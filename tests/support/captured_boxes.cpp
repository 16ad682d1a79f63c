#include "captured_boxes.h"

#include "platform/box/box.h"

namespace testing_support {

CapturedBoxes::CapturedBoxes() {
    platform::ui::setMessageBoxPresenter(
        [this](const platform::ui::MessageBoxRequest& request) { boxes_.push_back(request); });
    platform::box::setPresenter([this](const platform::box::Request& request) {
        boxes_.push_back({QString::fromStdString(request.text), request.style,
                          QString::fromStdString(request.caption)});
    });
}

CapturedBoxes::~CapturedBoxes() {
    platform::ui::setMessageBoxPresenter({});
    platform::box::setPresenter({});
}

}  // namespace testing_support
