#include "runtime_error.h"

#include <QCoreApplication>
#include <exception>
#include <new>

#include "message_box.h"

namespace platform::ui {

void reportRuntimeError(const RuntimeError& error) {
    QString text =
        QStringLiteral("Run-time error '%1':\n\n%2").arg(error.number).arg(error.description);
    if (!error.detail.isEmpty()) text += QStringLiteral("\n\n") + error.detail;
    showMessageBox(text, MessageCritical);
}

void reportCaughtFailure() {
    try {
        throw;
    } catch (const RuntimeError& error) {
        reportRuntimeError(error);
    } catch (const std::bad_alloc&) {
        reportRuntimeError({7, QStringLiteral("Out of memory"), QString()});
    } catch (const std::exception& error) {
        reportRuntimeError({51, QStringLiteral("Internal error"), QString::fromUtf8(error.what())});
    } catch (...) {
        reportRuntimeError({51, QStringLiteral("Internal error"), QString()});
    }
}

void runHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (...) {
        reportCaughtFailure();
        QCoreApplication::exit(1);
    }
}

}  // namespace platform::ui
