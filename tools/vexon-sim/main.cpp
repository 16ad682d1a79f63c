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
#include <optional>

#include "ini_rewriter.h"
#include "vexon_application.h"

namespace {

// The two ends of the socket pair through which a signal handler wakes the event loop.
int signalSockets[2];

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = write(signalSockets[1], &byte, 1);
}

// SIGINT and SIGTERM end the event loop through a socket pair, since a signal handler
// may not call into Qt.
bool quitOnSignals(QCoreApplication& app) {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0) return false;
    auto* notifier = new QSocketNotifier(signalSockets[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    return true;
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
    const QCommandLineOption rewrite(
        QStringLiteral("rewrite"),
        QStringLiteral("Rewrite the INI file <file> without locking, as the application does."),
        QStringLiteral("file"));
    const QCommandLineOption rewriteMode(
        QStringLiteral("rewrite-mode"),
        QStringLiteral("How to rewrite: in-place (truncate, then pieces) or rename."),
        QStringLiteral("mode"), QStringLiteral("in-place"));
    const QCommandLineOption rewriteRate(QStringLiteral("rewrite-rate"),
                                         QStringLiteral("Rewrites per second."),
                                         QStringLiteral("rate"), QStringLiteral("5"));
    options.addOptions({failReset, vanish, noInterface, rewrite, rewriteMode, rewriteRate});
    options.process(app);
    const QString mode = options.value(rewriteMode);
    const double rate = options.value(rewriteRate).toDouble();
    if (mode != QStringLiteral("in-place") && mode != QStringLiteral("rename")) {
        std::fprintf(stderr, "vexon-sim: --rewrite-mode is in-place or rename\n");
        return 2;
    }
    if (!(rate > 0 && rate <= 1000)) {
        std::fprintf(stderr, "vexon-sim: --rewrite-rate is a number from 0 to 1000\n");
        return 2;
    }

    auto behaviour = VexonApplication::Behaviour::Normal;
    if (options.isSet(failReset)) behaviour = VexonApplication::Behaviour::FailReset;
    if (options.isSet(vanish)) behaviour = VexonApplication::Behaviour::VanishOnReset;
    if (options.isSet(noInterface)) behaviour = VexonApplication::Behaviour::NoInterface;

    // Before the name is claimed: whoever sees the name may signal at once.
    if (!quitOnSignals(app)) {
        std::perror("vexon-sim: socketpair");
        return 1;
    }
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
    std::optional<IniRewriter> rewriter;
    if (options.isSet(rewrite)) {
        rewriter.emplace(options.value(rewrite).toStdString(),
                         mode == QStringLiteral("rename") ? IniRewriter::Mode::Rename
                                                          : IniRewriter::Mode::InPlace,
                         rate);
    }
    logLine(QStringLiteral("ready: Lumiq.Application is %1").arg(bus.baseService()));
    const int status = QCoreApplication::exec();
    rewriter.reset();
    bus.unregisterService(QStringLiteral("Lumiq.Application"));
    logLine(QStringLiteral("stopped"));
    return status;
}
