#include "module1.h"

#include <QApplication>
#include <cstdio>

#include "brenix/form1.h"
#include "platform/ui/gui_application.h"
#include "platform/ui/message_box.h"
#include "platform/ui/runtime_error.h"

namespace Module1 {

int Main() {
    platform::ui::setProgramTitle(QStringLiteral("Pellix Attenuation & Freq Brenix"));
    platform::ui::showPlatformBoxesHere();
    switch (platform::ui::ensureGuiApplication()) {
        case platform::ui::Display::Available:
            break;
        case platform::ui::Display::Wayland:
            std::fputs(
                "brenix: no X server, so the dialog runs on Wayland, where it cannot stay above "
                "other windows\n",
                stderr);
            break;
        case platform::ui::Display::Missing:
            std::fputs(
                "brenix: no display could be opened, and the hop settings dialog needs one "
                "(is DISPLAY or WAYLAND_DISPLAY set?)\n",
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
    } catch (...) {
        platform::ui::reportCaughtFailure();
        return 1;
    }
    QObject::connect(&form, &Form1::unloaded, qApp, &QCoreApplication::quit);
    return QApplication::exec();
}

}  // namespace Module1
