// The dialog's display form on any text: a number shown is shown as itself again, and
// begins with a blank or a minus sign.
#include <QString>
#include <cstddef>
#include <cstdint>

#include "brenix/display_form.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto shown = DisplayForm(text);
    if (!shown) return 0;
    if (!shown->startsWith(QLatin1Char(' ')) && !shown->startsWith(QLatin1Char('-')))
        __builtin_trap();
    const auto again = DisplayForm(*shown);
    if (!again || *again != *shown) __builtin_trap();
    return 0;
}
