// The EWMH state of a top-level window (_NET_WM_STATE), asked of the window manager
// without changing Qt's window flags: Qt 6.4 re-creates an X11 window whose
// stay-on-top flag changes, and a handle taken before then names nothing.
#pragma once

#include <QWidget>
#include <initializer_list>

namespace platform::ui {

enum class StateChange { Add, Remove };

// Adds or removes the states `atoms` ("_NET_WM_STATE_ABOVE", ...) of the X11 window
// `window`: in its _NET_WM_STATE property while it is not mapped (Qt keeps what it
// finds there when it maps the window), by the client message to the root window once
// it is mapped (the window manager owns the property then). Returns false, changing
// nothing, where the platform is not X11.
bool changeNetWmState(WId window, std::initializer_list<const char*> atoms, StateChange change);

// Asks that the top-level window `window` be left out of task bars and pagers, which
// Qt never asks and not every window manager does for a tool window on its own.
void keepOffTaskBar(WId window);

}  // namespace platform::ui
