#include "lectavo/form1.h"
#include "platform/ui/message_box.h"

int main() {
    platform::ui::setProgramTitle(QStringLiteral("Quorvel"));
    return Form1::Form_Load();
}
