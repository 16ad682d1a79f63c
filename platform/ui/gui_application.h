// Brings Qt's GUI up on demand, so that a program whose normal path shows nothing
// never pays for it.
#pragma once

namespace platform::ui {

enum class Display { Available, Missing };

// Makes sure a QApplication exists and tells whether it reaches a real display.
// When no QCoreApplication exists yet, one is created on the platform that
// QT_QPA_PLATFORM names (xcb when unset), falling back to the offscreen platform
// instead of aborting when no display can be opened; it then lives until the
// program ends. An existing application on the offscreen or minimal platform
// counts as Missing.
Display ensureGuiApplication();

}  // namespace platform::ui
