// The report of a run-time error that no handler of the program caught.
#pragma once

#include <QString>

namespace platform::ui {

// A failure that ends the program, as the form toolkit numbers it (13: Type mismatch).
struct RuntimeError {
    int number = 0;
    QString description;
    QString detail;  // what a reader needs to put it right: which entry held what
};

// Shows the report in a modal box captioned with the program title:
// "Run-time error '13':", a blank line, the description, a blank line, the detail.
// The caller ends the program afterwards, with a non-zero status.
void reportRuntimeError(const RuntimeError& error);

}  // namespace platform::ui
