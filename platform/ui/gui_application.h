// Brings Qt's GUI up on demand, so that a program whose normal path shows nothing
// never pays for it.
#pragma once

namespace platform::ui {

enum class Display {
    Available,  // an X server: windows can stay on top
    Wayland,    // no X server, but a Wayland compositor: no window can stay on top
    Missing,    // no display at all
};

// Makes sure a QApplication exists and tells what display it reaches. When no
// QCoreApplication exists yet, one is created on the platform that QT_QPA_PLATFORM
// names, else on X11 first (stay-on-top needs it; a Wayland session offers it through
// XWayland), then Wayland, falling back to the offscreen platform instead of aborting
// when no display can be opened; it then lives until the program ends. Its window
// class and desktop file name are the running executable's name ("brenix"). An
// existing application on the offscreen or minimal platform counts as Missing.
Display ensureGuiApplication();

}  // namespace platform::ui
