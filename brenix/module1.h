// Start-up of the hop settings program.
#pragma once

namespace Module1 {

// Brings up the GUI, creates and shows the dialog and runs until it is closed.
// Returns the program's exit status: 0 after the dialog was closed, non-zero when no
// display can be opened or loading failed (after the run-time error report).
int Main();

}  // namespace Module1
