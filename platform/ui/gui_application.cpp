#include "gui_application.h"

#include <QApplication>
#include <QFileInfo>

namespace platform::ui {

namespace {

QtMessageHandler previousHandler = nullptr;

// While the platform is chosen, a display that cannot be opened is an expected
// outcome, not something to warn about.
void quietAboutPlatformChoice(QtMsgType type, const QMessageLogContext& context,
                              const QString& message) {
    const QLatin1String category(context.category != nullptr ? context.category : "");
    const bool aboutPlatform = category.startsWith(QLatin1String("qt.qpa."));
    if (aboutPlatform && (type == QtWarningMsg || type == QtInfoMsg)) return;
    if (previousHandler != nullptr) previousHandler(type, context, message);
}

// The running executable's name: the window class that task bars and window rules
// match, and the name of its desktop file.
// X11 first, where windows can stay on top (a Wayland session offers it through
// XWayland); Wayland where a compositor is there to connect to, since its client
// library complains on standard error when there is none; else no display.
QByteArray platformOrder() {
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return qgetenv("QT_QPA_PLATFORM") + ";offscreen";
    QByteArray order;
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) order += "xcb;";
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString socket = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
    if (QFileInfo(socket).isAbsolute()
            ? QFileInfo::exists(socket)
            : !runtime.isEmpty() && QFileInfo::exists(runtime + QLatin1Char('/') + socket))
        order += "wayland;";
    return order + "offscreen";
}

QByteArray programName() {
    const QString name = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return name.isEmpty() ? QByteArray("vexon-utilities") : QFileInfo(name).fileName().toUtf8();
}

}  // namespace

Display ensureGuiApplication() {
    if (QCoreApplication::instance() == nullptr) {
        // QApplication keeps references to argc and argv, so they must outlive it.
        static QByteArray platforms = platformOrder();
        static QByteArray name = programName();
        static char platformOption[] = "-platform";
        static char* argv[] = {name.data(), platformOption, platforms.data(), nullptr};
        static int argc = 3;
        previousHandler = qInstallMessageHandler(quietAboutPlatformChoice);
        // Never destroyed: a QApplication torn down among the static objects after
        // main() has returned crashes, and the process ends right then anyway.
        static QApplication* application = new QApplication(argc, argv);
        Q_UNUSED(application);
        qInstallMessageHandler(previousHandler);
        QGuiApplication::setDesktopFileName(QString::fromUtf8(name));
    }
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return Display::Missing;
    }
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        return Display::Missing;
    }
    return platform.startsWith(QLatin1String("wayland")) ? Display::Wayland : Display::Available;
}

}  // namespace platform::ui
