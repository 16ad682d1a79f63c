#include "vexon_application.h"

#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDateTime>
#include <cstdio>

namespace {

const QString InterfaceName = QStringLiteral("Lumiq.Application");

}  // namespace

void logLine(const QString& text) {
    const QString stamp = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    std::printf("%s %s\n", qUtf8Printable(stamp), qUtf8Printable(text));
    std::fflush(stdout);
}

VexonApplication::VexonApplication(Behaviour behaviour) : behaviour_(behaviour) {}

QString VexonApplication::introspect(const QString&) const {
    if (behaviour_ == Behaviour::NoInterface) return {};
    return QStringLiteral(
        "<interface name=\"Lumiq.Application\">"
        "<method name=\"Invoke\">"
        "<arg name=\"dispid\" type=\"i\" direction=\"in\"/>"
        "<arg name=\"arguments\" type=\"av\" direction=\"in\"/>"
        "<arg name=\"results\" type=\"av\" direction=\"out\"/>"
        "</method>"
        "</interface>");
}

bool VexonApplication::handleMessage(const QDBusMessage& message,
                                     const QDBusConnection& connection) {
    const QString caller = message.service();
    if (message.interface() == QLatin1String("org.freedesktop.DBus.Introspectable") &&
        message.member() == QLatin1String("Introspect")) {
        logLine(QStringLiteral("Introspect from %1").arg(caller));
        connection.send(message.createReply(
            QStringLiteral(
                "<!DOCTYPE node PUBLIC \"-//freedesktop//DTD D-BUS Object Introspection 1.0//EN\" "
                "\"http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd\">\n<node>"
                "<interface name=\"org.freedesktop.DBus.Introspectable\">"
                "<method name=\"Introspect\"><arg name=\"xml_data\" type=\"s\" direction=\"out\"/>"
                "</method></interface>%1</node>\n")
                .arg(introspect(message.path()))));
        return true;
    }
    if (behaviour_ == Behaviour::NoInterface || message.interface() != InterfaceName ||
        message.member() != QLatin1String("Invoke") ||
        message.signature() != QLatin1String("iav")) {
        logLine(QStringLiteral("%1.%2(%3) from %4: unknown member")
                    .arg(message.interface(), message.member(), message.signature(), caller));
        connection.send(message.createErrorReply(QDBusError::UnknownMethod,
                                                 QStringLiteral("No member %1 with signature %2")
                                                     .arg(message.member(), message.signature())));
        return true;
    }

    const int dispId = message.arguments().constFirst().toInt();
    if (dispId != ResetDispatchId) {
        logLine(QStringLiteral("Invoke dispid=%1 from %2: unknown dispatch ID")
                    .arg(dispId)
                    .arg(caller));
        connection.send(message.createErrorReply(
            QDBusError::UnknownMethod, QStringLiteral("Unknown dispatch ID %1").arg(dispId)));
        return true;
    }
    switch (behaviour_) {
        case Behaviour::FailReset:
            logLine(QStringLiteral("Invoke dispid=45 from %1: reset failed").arg(caller));
            connection.send(message.createErrorReply(
                QStringLiteral("Lumiq.Application.Error.ResetFailed"),
                QStringLiteral("The spectrometer did not answer the reset")));
            break;
        case Behaviour::VanishOnReset:
            logLine(
                QStringLiteral("Invoke dispid=45 from %1: vanishing without a reply").arg(caller));
            _exit(3);
        case Behaviour::Normal:
        case Behaviour::NoInterface:  // answered above as an unknown member
            logLine(QStringLiteral("Invoke dispid=45 from %1: reset").arg(caller));
            connection.send(message.createReply(QVariant::fromValue(QVariantList())));
            break;
    }
    return true;
}
