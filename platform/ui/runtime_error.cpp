#include "runtime_error.h"

#include "message_box.h"

namespace platform::ui {

void reportRuntimeError(const RuntimeError& error) {
    QString text =
        QStringLiteral("Run-time error '%1':\n\n%2").arg(error.number).arg(error.description);
    if (!error.detail.isEmpty()) text += QStringLiteral("\n\n") + error.detail;
    showMessageBox(text, MessageCritical);
}

}  // namespace platform::ui
