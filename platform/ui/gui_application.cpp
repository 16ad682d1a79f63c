#include "gui_application.h"

#include <QApplication>

namespace platform::ui {

namespace {

QtMessageHandler previousHandler = nullptr;

// While the platform is chosen, a display that cannot be opened is an expected
// outcome, not something to warn about.
void quietAboutPlatformChoice(QtMsgType type, const QMessageLogContext& context,
                              const QString& message) {
    const QLatin1String category(context.category != nullptr ? context.category : "");
    const bool aboutPlatform =
        category == QLatin1String("qt.qpa.plugin") || category == QLatin1String("qt.qpa.xcb");
    if (aboutPlatform && (type == QtWarningMsg || type == QtInfoMsg)) return;
    if (previousHandler != nullptr) previousHandler(type, context, message);
}

bool onRealDisplay() {
    const QString name = QGuiApplication::platformName();
    return name != QLatin1String("offscreen") && name != QLatin1String("minimal");
}

}  // namespace

Display ensureGuiApplication() {
    if (QCoreApplication::instance() == nullptr) {
        // QApplication keeps references to argc and argv, so they must outlive it.
        static QByteArray platforms =
            qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("xcb")).toUtf8() + ";offscreen";
        static char programName[] = "program";
        static char platformOption[] = "-platform";
        static char* argv[] = {programName, platformOption, platforms.data(), nullptr};
        static int argc = 3;
        previousHandler = qInstallMessageHandler(quietAboutPlatformChoice);
        // Never destroyed: a QApplication torn down among the static objects after
        // main() has returned crashes, and the process ends right then anyway.
        static QApplication* application = new QApplication(argc, argv);
        Q_UNUSED(application);
        qInstallMessageHandler(previousHandler);
    }
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return Display::Missing;
    }
    return onRealDisplay() ? Display::Available : Display::Missing;
}

}  // namespace platform::ui
