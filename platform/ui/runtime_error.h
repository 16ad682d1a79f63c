// The report of a run-time error that no handler of the program caught.
#pragma once

#include <QString>
#include <functional>

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

// Called in a catch block: reports the exception in flight as reportRuntimeError does.
// A RuntimeError as it is; running out of memory as 7, "Out of memory"; anything else
// as 51, "Internal error", with what it says.
void reportCaughtFailure();

// Runs an event handler. A failure that escapes it ends the program as a failure at
// load does: the report, then the event loop ends with status 1.
void runHandler(const std::function<void()>& handler);

}  // namespace platform::ui
