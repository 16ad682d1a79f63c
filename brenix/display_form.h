// How the dialog shows a hop value.
#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// The display form of a number text: blanks around it are allowed, then an optional
// sign, digits, and an optional point with fraction digits. It comes back with one
// blank in front when not negative or a minus sign when negative, then the number
// with a point, no leading zeros (but "0" before the point), no trailing zeros after
// it and no point for a whole number: "10.50" shows as " 10.5", "-3.5" as "-3.5".
// Anything else ("", "abc", "12,5", "1e3") is no number and gives nothing.
std::optional<QString> DisplayForm(QStringView text);
