// The manual opener: everything happens in the Load handler of its one, never shown form.
#pragma once

namespace Form1 {

// Derives the manual folder from the registry value "setup" (its text without the
// last five characters, then "man\"), writes "StartManual.cmd" there and starts it
// hidden without waiting, handing the interpreter the bytes just written. When any step
// fails, the value holds a line break or a zero byte, or the folder holds no
// "HarvaneManual.pdf", shows the one failure box instead. Returns the exit status: 0
// after the launch, 1 after the box. Nothing of a GUI is loaded unless the box shows.
int Form_Load();

}  // namespace Form1
