// vexon-sim: stands in for the running spectrometer application on the session bus,
// so that the hop settings program's reset can be shown and tested.
#include <sys/socket.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>

#include "vexon_application.h"

namespace {

int signalPipe[2];

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = write(signalPipe[1], &byte, 1);
}

// SIGINT and SIGTERM end the event loop through a pipe, since a signal handler may not
// call into Qt.
void quitOnSignals(QCoreApplication& app) {
    socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe);
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vexon-sim"));

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral(
        "Claims Lumiq.Application on the D-Bus session bus, answers reset (dispatch ID 45) "
        "and logs every call on standard output."));
    options.addHelpOption();
    const QCommandLineOption failReset(QStringLiteral("fail-reset"),
                                       QStringLiteral("Answer a reset with an error reply."));
    const QCommandLineOption vanish(QStringLiteral("vanish-on-reset"),
                                    QStringLiteral("Exit without replying to a reset."));
    const QCommandLineOption noInterface(QStringLiteral("no-interface"),
                                         QStringLiteral("Expose no automation interface."));
    options.addOptions({failReset, vanish, noInterface});
    options.process(app);

    auto behaviour = VexonApplication::Behaviour::Normal;
    if (options.isSet(failReset)) behaviour = VexonApplication::Behaviour::FailReset;
    if (options.isSet(vanish)) behaviour = VexonApplication::Behaviour::VanishOnReset;
    if (options.isSet(noInterface)) behaviour = VexonApplication::Behaviour::NoInterface;

    // Before the name is claimed: whoever sees the name may signal at once.
    quitOnSignals(app);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "vexon-sim: no D-Bus session bus: %s\n",
                     qUtf8Printable(bus.lastError().message()));
        return 1;
    }
    VexonApplication application(behaviour);
    if (!bus.registerVirtualObject(QStringLiteral("/Lumiq/Application"), &application)) {
        std::fprintf(stderr, "vexon-sim: cannot export /Lumiq/Application\n");
        return 1;
    }
    if (!bus.registerService(QStringLiteral("Lumiq.Application"))) {
        std::fprintf(stderr, "vexon-sim: the bus name Lumiq.Application is taken\n");
        return 1;
    }
    logLine(QStringLiteral("ready: Lumiq.Application is %1").arg(bus.baseService()));
    const int status = QCoreApplication::exec();
    bus.unregisterService(QStringLiteral("Lumiq.Application"));
    logLine(QStringLiteral("stopped"));
    return status;
}
