#include "form1.h"

#include <QString>

#include "platform/file/write_file.h"
#include "platform/launch/launch.h"
#include "platform/paths/paths.h"
#include "platform/ui/message_box.h"
#include "registry/registry_functions.h"

namespace Form1 {

namespace {

std::string localPath(const QString& path) {
    return platform::paths::toLocalPath(path.toUtf8().toStdString(),
                                        platform::paths::BareName::InCurrentFolder);
}

int failure() {
    platform::ui::showMessageBox(
        QStringLiteral(
            "Error locating manual.  Please make sure that the 'HarvaneManual.pdf' file is "
            "located in the 'Lumiq\\man\\' directory."),
        platform::ui::MessageCritical);
    return 1;
}

}  // namespace

int Form_Load() {
    QString path = QStringLiteral("HKEY_CURRENT_USER\\Software\\Harvane\\Vexon\\path");
    const QString registryText = RegistryFunctions::AsText(
        RegistryFunctions::ReadRegistryString(path, QStringLiteral("setup")));

    const qsizetype keep = registryText.size() - 5;
    if (keep < 0) return failure();
    const QString manualFolder = registryText.left(keep) + QStringLiteral("man\\");
    const QString scriptPath = manualFolder + QStringLiteral("StartManual.cmd");
    const QString manualPath = manualFolder + QStringLiteral("HarvaneManual.pdf");

    const QByteArray script =
        (QStringLiteral("rem @echo off\r\n") + manualPath + QStringLiteral("\r\n")).toUtf8();
    if (!platform::file::replaceFile(localPath(scriptPath),
                                     std::string_view(script.constData(), script.size()))) {
        return failure();
    }
    // Launching a script whose document is missing would fail unseen in its hidden window.
    if (!platform::paths::isRegularFile(localPath(manualPath))) return failure();
    if (platform::launch::startHidden(scriptPath.toUtf8().toStdString()) == 0) return failure();
    return 0;
}

}  // namespace Form1
