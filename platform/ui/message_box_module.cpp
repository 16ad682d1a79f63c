// The box module: loaded by platform::box only when a program without a GUI of its own
// must show a box, so that its success path never maps Qt.
#include <QString>

#include "platform/box/box.h"
#include "platform/ui/message_box.h"

namespace {

// The program speaks through its box and nothing else: Qt's own notes (a missing
// runtime folder, a font) must not come before the box's text on standard error.
void silence(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

extern "C" __attribute__((visibility("default"))) void vexon_show_message_box(const char* text,
                                                                              int style,
                                                                              const char* caption) {
    static_assert(std::is_same_v<decltype(&vexon_show_message_box), platform::box::ModuleFunction>);
    qInstallMessageHandler(silence);
    platform::ui::showMessageBox(QString::fromUtf8(text), style, QString::fromUtf8(caption));
}
