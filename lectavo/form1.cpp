#include "form1.h"

#include <unistd.h>

#include <string>
#include <string_view>

#include "platform/box/box.h"
#include "platform/file/write_file.h"
#include "platform/launch/launch.h"
#include "platform/paths/paths.h"
#include "platform/text/utf8.h"
#include "registry/registry_functions.h"

namespace Form1 {

namespace {

std::string localPath(const std::wstring& path) {
    return platform::paths::toLocalPath(platform::text::toUtf8(path),
                                        platform::paths::BareName::InCurrentFolder);
}

int showFailureBox() {
    platform::box::show(
        "Error locating manual.  Please make sure that the 'HarvaneManual.pdf' file is "
        "located in the 'Lumiq\\man\\' directory.",
        platform::box::Critical);
    return 1;
}

// A line break would add a line to the script, which the interpreter runs; a zero byte
// would cut a path short.
bool breaksAScriptLine(const std::wstring& text) {
    return text.find_first_of(std::wstring_view(L"\r\n\0", 3)) != std::wstring::npos;
}

}  // namespace

int Form_Load() {
    std::wstring path = L"HKEY_CURRENT_USER\\Software\\Harvane\\Vexon\\path";
    const std::wstring registryText =
        RegistryFunctions::AsText(RegistryFunctions::ReadRegistryString(path, L"setup"));
    if (breaksAScriptLine(registryText)) return showFailureBox();

    // One wchar_t is one character (code point) here, so the cut never splits one.
    if (registryText.size() < 5) return showFailureBox();
    const std::wstring manualFolder = registryText.substr(0, registryText.size() - 5) + L"man\\";
    const std::wstring scriptPath = manualFolder + L"StartManual.cmd";
    const std::wstring manualPath = manualFolder + L"HarvaneManual.pdf";

    const std::string script = platform::text::toUtf8(L"rem @echo off\r\n" + manualPath + L"\r\n");
    int content = -1;
    if (!platform::file::replaceFile(localPath(scriptPath), script, &content)) {
        return showFailureBox();
    }
    // Launching a script whose document is missing would fail unseen in its hidden window.
    pid_t started = 0;
    if (platform::paths::isRegularFile(localPath(manualPath))) {
        started = platform::launch::startHidden(platform::text::toUtf8(scriptPath), content);
    }
    close(content);
    return started == 0 ? showFailureBox() : 0;
}

}  // namespace Form1
