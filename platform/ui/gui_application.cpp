#include "gui_application.h"

#include <QApplication>
#include <QLoggingCategory>
#include <memory>

namespace platform::ui {

namespace {

std::unique_ptr<QApplication> ownedApplication;

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
        // A missing display is an expected outcome here, not something to warn about.
        QLoggingCategory::setFilterRules(QStringLiteral("qt.qpa.*.warning=false"));
        ownedApplication = std::make_unique<QApplication>(argc, argv);
        QLoggingCategory::setFilterRules(QString());
    }
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return Display::Missing;
    }
    return onRealDisplay() ? Display::Available : Display::Missing;
}

}  // namespace platform::ui
