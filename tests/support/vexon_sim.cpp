#include "vexon_sim.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QFile>
#include <QThread>
#include <stdexcept>

namespace testing_support {

VexonSim::VexonSim(const QStringList& arguments) {
    process_.setStandardOutputFile(folder_.filePath(QStringLiteral("sim.log")));
    process_.start(QStringLiteral(VEXON_SIM_PATH), arguments);
    if (!process_.waitForStarted()) throw std::runtime_error("vexon-sim did not start");
    for (int i = 0; i < 100; ++i) {
        const QDBusReply<QString> reply = QDBusConnection::sessionBus().interface()->serviceOwner(
            QStringLiteral("Lumiq.Application"));
        if (reply.isValid()) {
            owner_ = reply.value();
            return;
        }
        if (process_.state() != QProcess::Running) break;
        QThread::msleep(50);
    }
    throw std::runtime_error("vexon-sim did not claim Lumiq.Application");
}

VexonSim::~VexonSim() {
    if (process_.state() != QProcess::NotRunning) stop();
}

QString VexonSim::log() const {
    QFile file(folder_.filePath(QStringLiteral("sim.log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

int VexonSim::count(const QString& part) const {
    int found = 0;
    for (const QString& line : log().split(QLatin1Char('\n'))) {
        if (line.contains(part)) ++found;
    }
    return found;
}

int VexonSim::stop() {
    process_.terminate();
    return waitForEnd();
}

int VexonSim::waitForEnd() {
    process_.waitForFinished(5000);
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

}  // namespace testing_support
