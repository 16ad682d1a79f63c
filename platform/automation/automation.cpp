#include "automation.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusReply>
#include <QFileInfo>
#include <QVariantList>
#include <QXmlStreamReader>
#include <algorithm>

namespace platform::automation {

namespace {

// Errors that mean the peer is no longer there to answer.
bool isVanished(const QString& errorName) {
    return errorName == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
           errorName == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
           errorName == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
           errorName == QLatin1String("org.freedesktop.DBus.Error.Disconnected") ||
           errorName == QLatin1String("org.freedesktop.DBus.Error.Timeout");
}

bool declaresInterface(const QString& introspection, const QString& interfaceName) {
    QXmlStreamReader xml(introspection);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            xml.name() == QLatin1String("interface") &&
            xml.attributes().value(QLatin1String("name")) == interfaceName) {
            return true;
        }
    }
    return false;
}

// Whether a session bus is there to connect to. Without an address and without the
// standard socket, connecting would autolaunch a new bus, and so would an address with
// an "autolaunch:" entry once the entries before it fail: nothing may be started.
bool sessionBusAvailable() {
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!address.isEmpty()) {
        const auto entries = address.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        return std::none_of(entries.begin(), entries.end(), [](const QString& entry) {
            return entry.startsWith(QLatin1String("autolaunch:"));
        });
    }
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo(runtime + QStringLiteral("/bus")).exists();
}

}  // namespace

QString objectPath(const QString& className) {
    return QLatin1Char('/') + QString(className).replace(QLatin1Char('.'), QLatin1Char('/'));
}

int GetActiveObject(const QString& className, ObjectReference* object) {
    if (!sessionBusAvailable()) return CannotCreateObject;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr) return CannotCreateObject;
    const QDBusReply<QString> owner = bus.interface()->serviceOwner(className);
    if (!owner.isValid() || owner.value().isEmpty()) return CannotCreateObject;
    *object = {className, owner.value()};
    return 0;
}

int QueryDispatch(const ObjectReference& object, Dispatch* dispatch) {
    const QDBusMessage request = QDBusMessage::createMethodCall(
        object.owner, objectPath(object.className),
        QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
    const QDBusMessage reply = QDBusConnection::sessionBus().call(request);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        return isVanished(reply.errorName()) ? Disconnected : NoInterface;
    }
    if (reply.arguments().isEmpty() ||
        !declaresInterface(reply.arguments().constFirst().toString(), object.className)) {
        return NoInterface;
    }
    *dispatch = {object.className, object.owner};
    return 0;
}

int Invoke(const Dispatch& dispatch, int dispId) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(dispatch.owner, objectPath(dispatch.className),
                                       dispatch.className, QStringLiteral("Invoke"));
    call << dispId << QVariant::fromValue(QVariantList());
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call);
    if (reply.type() != QDBusMessage::ErrorMessage) return 0;
    if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod")) {
        return MemberNotFound;
    }
    return isVanished(reply.errorName()) ? Disconnected : ExceptionOccurred;
}

}  // namespace platform::automation
