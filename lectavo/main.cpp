#include "lectavo/form1.h"
#include "platform/box/box.h"

int main() {
    platform::box::setProgramTitle("Quorvel");
    return Form1::Form_Load();
}
