#include "display_form.h"

#include "platform/text/ascii.h"

namespace {

using platform::text::isBlank;

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

}  // namespace

std::optional<QString> DisplayForm(QStringView text) {
    while (!text.isEmpty() && isBlank(text.front().unicode())) text = text.mid(1);
    while (!text.isEmpty() && isBlank(text.back().unicode())) text.chop(1);

    bool negative = false;
    if (!text.isEmpty() && (text.front() == QLatin1Char('-') || text.front() == QLatin1Char('+'))) {
        negative = text.front() == QLatin1Char('-');
        text = text.mid(1);
    }
    qsizetype point = text.indexOf(QLatin1Char('.'));
    QStringView whole = point < 0 ? text : text.left(point);
    QStringView fraction = point < 0 ? QStringView() : text.mid(point + 1);
    if (whole.isEmpty() && fraction.isEmpty()) return std::nullopt;
    for (const QChar c : whole) {
        if (!isDigit(c)) return std::nullopt;
    }
    for (const QChar c : fraction) {
        if (!isDigit(c)) return std::nullopt;
    }

    // Normalised on the digits themselves, so no value is rounded on its way to the box.
    while (whole.size() > 1 && whole.front() == QLatin1Char('0')) whole = whole.mid(1);
    while (!fraction.isEmpty() && fraction.back() == QLatin1Char('0')) fraction.chop(1);
    QString number = whole.isEmpty() ? QStringLiteral("0") : whole.toString();
    if (!fraction.isEmpty()) number += QLatin1Char('.') + fraction.toString();
    const bool zero = number == QLatin1String("0");
    return (negative && !zero ? QStringLiteral("-") : QStringLiteral(" ")) + number;
}
