#include "module1.h"

#include <QApplication>
#include <cstdio>
#include <new>

#include "brenix/form1.h"
#include "platform/ui/gui_application.h"
#include "platform/ui/message_box.h"
#include "platform/ui/runtime_error.h"

namespace Module1 {

int Main() {
    platform::ui::setProgramTitle(QStringLiteral("Pellix Attenuation & Freq Brenix"));
    platform::ui::showPlatformBoxesHere();
    if (platform::ui::ensureGuiApplication() == platform::ui::Display::Missing) {
        std::fputs(
            "brenix: no display could be opened, and the hop settings dialog needs one "
            "(is DISPLAY set?)\n",
            stderr);
        return 1;
    }
    QApplication::setApplicationName(QStringLiteral("brenix"));
    // The program ends when the dialog is unloaded, not when the last window that Qt
    // counts closes: a tool window does not count, so closing a message box would
    // otherwise end it.
    QApplication::setQuitOnLastWindowClosed(false);

    Form1 form;
    try {
        form.Show();
    } catch (const platform::ui::RuntimeError& error) {
        platform::ui::reportRuntimeError(error);
        return 1;
    } catch (const std::bad_alloc&) {
        platform::ui::reportRuntimeError({7, QStringLiteral("Out of memory"), QString()});
        return 1;
    }
    QObject::connect(&form, &Form1::unloaded, qApp, &QCoreApplication::quit);
    return QApplication::exec();
}

}  // namespace Module1
